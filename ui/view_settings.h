// The throw line's settings: the big view's place and size and whether the sound is on, in a
// file of their own beside the settings file (MarkwickView.ini beside Markwick.ini), so that
// the settings file stays as the start dialog writes it.
#pragma once

#include <QRect>
#include <QString>
#include <optional>

namespace markwick {

struct ViewSettings {
  std::optional<QRect> place;  // the big view's window, out of full screen
  bool full_screen = false;
  bool sound = false;

  bool operator==(const ViewSettings&) const = default;
};

// The file beside the settings file at settings_path.
QString ViewSettingsPath(const QString& settings_path);

// The settings in the file; the defaults where it has none or cannot be read.
ViewSettings ReadViewSettings(const QString& path);
// Writes them; a file that cannot be written keeps the old settings, without a box (they are
// the player's convenience, not the match's).
void WriteViewSettings(const QString& path, const ViewSettings& settings);

}  // namespace markwick
