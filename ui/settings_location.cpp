#include "ui/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "ui/settings_file.h"

namespace markwick {

bool CanWrite(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) {
    // Permission bits and access checks do not tell (root, Windows' access lists, a read-only
    // mount): only creating a file does. It is removed again at once.
    QTemporaryFile probe(QDir(path).filePath(QStringLiteral(".markwick-XXXXXX")));
    return probe.open();
  }
  // Only a regular file not marked read-only, as the settings file writes it: opening a FIFO
  // or a device could block or do harm. Append and ExistingOnly neither empty nor create it.
  QFile file(path);
  return info.isFile() && info.isWritable() &&
         file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly);
}

QString ChooseSettingsPath(const QString& exe_path, const QString& config_folder,
                           const std::function<bool(const QString&)>& can_write) {
  const QString beside = SettingsFile::PathForExecutable(exe_path);
  const QFileInfo beside_info(beside);
  // The file first: once it exists, the folder needs no probe.
  if (config_folder.isEmpty() || can_write(beside) || can_write(beside_info.path())) return beside;
  return QDir(config_folder).filePath(beside_info.fileName());
}

QString PlayerConfigFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QString SettingsPathForProgram() {
  return ChooseSettingsPath(QCoreApplication::applicationFilePath(), PlayerConfigFolder(),
                            CanWrite);
}

}  // namespace markwick
