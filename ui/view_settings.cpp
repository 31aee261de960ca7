#include "view_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace markwick {

QString ViewSettingsPath(const QString& settings_path) {
  const QFileInfo settings(settings_path);
  return settings.dir().filePath(settings.completeBaseName() + QStringLiteral("View.ini"));
}

ViewSettings ReadViewSettings(const QString& path) {
  ViewSettings settings;
  if (!QFileInfo::exists(path)) return settings;
  const QSettings file(path, QSettings::IniFormat);
  bool ok[4] = {};
  const QRect place(file.value(QStringLiteral("BigView/Left")).toInt(&ok[0]),
                    file.value(QStringLiteral("BigView/Top")).toInt(&ok[1]),
                    file.value(QStringLiteral("BigView/Width")).toInt(&ok[2]),
                    file.value(QStringLiteral("BigView/Height")).toInt(&ok[3]));
  if (ok[0] && ok[1] && ok[2] && ok[3] && place.width() > 0 && place.height() > 0) {
    settings.place = place;
  }
  settings.full_screen = file.value(QStringLiteral("BigView/FullScreen")).toBool();
  settings.sound = file.value(QStringLiteral("Sound/On")).toBool();
  return settings;
}

void WriteViewSettings(const QString& path, const ViewSettings& settings) {
  QSettings file(path, QSettings::IniFormat);
  if (settings.place) {
    file.setValue(QStringLiteral("BigView/Left"), settings.place->x());
    file.setValue(QStringLiteral("BigView/Top"), settings.place->y());
    file.setValue(QStringLiteral("BigView/Width"), settings.place->width());
    file.setValue(QStringLiteral("BigView/Height"), settings.place->height());
  }
  file.setValue(QStringLiteral("BigView/FullScreen"), settings.full_screen);
  file.setValue(QStringLiteral("Sound/On"), settings.sound);
  file.sync();
}

}  // namespace markwick
