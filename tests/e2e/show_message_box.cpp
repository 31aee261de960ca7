// Shows one message box exactly as the program shows its results (same widget code, fonts and
// placement), so that the end-to-end script can compare the program's boxes with it pixel by
// pixel. The text, UTF-8, is the only argument. Ends when the box is closed.
#include <QApplication>
#include <QString>

#include "ui/form_font.h"
#include "ui/message_boxes.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
#endif

namespace {

// The one argument. On Windows argv holds the ANSI code page's bytes, which lack most Japanese
// characters: the UTF-16 command line is read instead.
QString TextArgument([[maybe_unused]] char* argv[]) {
#ifdef _WIN32
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  const QString text = count == 2 ? QString::fromWCharArray(arguments[1]) : QString();
  LocalFree(arguments);
  return text;
#else
  return QString::fromUtf8(argv[1]);
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) return 2;
  const QString text = TextArgument(argv);
  int qt_argc = 1;
  QApplication application(qt_argc, argv);
  markwick::InstallFormFont();
  markwick::ShowMessageBox(text);
  return 0;
}
