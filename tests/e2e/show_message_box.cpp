// Shows one message box exactly as the program shows its results (same widget code, fonts and
// placement), so that the end-to-end script can compare the program's boxes with it pixel by
// pixel. The text, UTF-8, is the only argument. Ends when the box is closed.
#include <QApplication>
#include <QString>

#include "ui/form_font.h"
#include "ui/message_boxes.h"

int main(int argc, char* argv[]) {
  if (argc != 2) return 2;
  const QString text = QString::fromUtf8(argv[1]);
  int qt_argc = 1;
  QApplication application(qt_argc, argv);
  markwick::InstallFontSubstitutes();
  markwick::ShowMessageBox(text);
  return 0;
}
