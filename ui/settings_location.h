// Where the program keeps its settings file. A copy of the program in a folder of the player's
// own (Markwick.exe alone in a folder, a build folder) keeps it beside the executable, named
// after it, as always; an installed program, whose folder only an administrator may write,
// keeps it under the same name in the player's configuration folder instead.
#pragma once

#include <QString>
#include <functional>

namespace markwick {

// Whether this process can write path: a folder in which it can create a file, or an existing
// regular file that it can open for writing. Neither is changed.
bool CanWrite(const QString& path);

// The settings file of the executable at exe_path: SettingsFile::PathForExecutable when its
// folder, or a file already there under that name, can be written (can_write); else the file
// of that name in config_folder (which need not exist yet), or beside the executable when there
// is no configuration folder.
QString ChooseSettingsPath(const QString& exe_path, const QString& config_folder,
                           const std::function<bool(const QString&)>& can_write);

// The player's configuration folder for this application (QStandardPaths::AppConfigLocation):
// $XDG_CONFIG_HOME/<name>, by default ~/.config/<name>, on Linux; the user's local application
// data folder on Windows.
QString PlayerConfigFolder();

// ChooseSettingsPath for the running program.
QString SettingsPathForProgram();

}  // namespace markwick
