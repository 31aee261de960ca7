// The program's start: the start dialog (the main window, placed and filled from the settings
// file beside the executable), then the event loop. The dialog creates the score board when a
// start button is first pressed.
#include <QApplication>
#include <QCoreApplication>

#include "ui/form_font.h"
#include "ui/settings_file.h"
#include "ui/start_dialog.h"

int main(int argc, char* argv[]) {
  // The program takes no command line: Qt is given the program name only.
  int qt_argc = argc > 0 ? 1 : 0;
  QApplication application(qt_argc, argv);
  markwick::InstallFormFont();  // before the first font is resolved

  markwick::TForm2 Form2(
      markwick::SettingsFile::PathForExecutable(QCoreApplication::applicationFilePath()));

  Form2.show();
  return QApplication::exec();
}
