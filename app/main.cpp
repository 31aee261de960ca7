// The program's start: the start dialog (the main window, placed and filled from the settings
// file, beside the executable or in the player's configuration folder), then the event loop. The
// dialog creates the score board when a start button is first pressed.
#include <QApplication>
#include <QIcon>

#ifdef _WIN32
#include <windows.h>
#endif

#include "ui/form_font.h"
#include "ui/settings_location.h"
#include "ui/start_dialog.h"

int main(int argc, char* argv[]) {
#ifdef _WIN32
  // Windows' DLLs only from its system folder, never from the program's, which may be a
  // Downloads folder: every DLL that Windows would look for there is delay-loaded (not yet
  // loaded here) and now comes from the system folder.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif
  // The program takes no command line: Qt is given the program name only.
  int qt_argc = argc > 0 ? 1 : 0;
  QApplication application(qt_argc, argv);
  markwick::InstallFormFont();  // before the first font is resolved

  // Every window's icon, the dartboard of the desktop entry; that entry's name lets Wayland
  // desktops match the windows to it. The sizes of title bars and task bars only: each is
  // decoded before the first window shows, and the two larger ones cost more than the rest;
  // window switchers take the desktop entry's icon, as Windows takes Markwick.exe's.
  QIcon icon;
  for (const int size : {16, 24, 32, 48}) {
    icon.addFile(QStringLiteral(":/markwick/icon/markwick-%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);
  QApplication::setDesktopFileName(QStringLiteral("markwick"));

  markwick::TForm2 Form2(markwick::SettingsPathForProgram());

  // A match that a crash or a closed board cut short is offered first.
  if (!Form2.OfferToResume()) Form2.show();
  return QApplication::exec();
}
