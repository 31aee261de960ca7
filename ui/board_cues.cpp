// The score board's side of the big view and the sounds: the board's engine events go to them
// from one place, the context menu opens the view and turns the sound on and off, and their
// settings are kept in a file beside the settings file.
#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "big_view.h"
#include "board_window.h"
#include "match_cues.h"
#include "score_grid.h"
#include "start_dialog.h"
#include "system_sound.h"
#include "view_settings.h"
#include "window_placement.h"

namespace markwick {

void TForm1::FollowBoard() {
  if (cues_ != nullptr) cues_->BoardChanged();
}

MatchCues& TForm1::Cues() {
  if (cues_ == nullptr) {
    cues_ = std::make_unique<MatchCues>(
        *engine_,
        [this] {
          const MatchState& state = engine_->state();
          return SnapshotOf(state, stats_, engine_->MatchDecided(),
                            StringGrid1->Cell(kOwnColumn, kNameRow),
                            StringGrid1->Cell(kRivalColumn, kNameRow));
        },
        this);
    // The program ends through the board's close: the view's place is kept then.
    connect(qApp, &QCoreApplication::aboutToQuit, cues_.get(), [this] { SaveViewSettings(); });
  }
  return *cues_;
}

BigView* TForm1::big_view() const { return cues_ != nullptr ? cues_->view() : nullptr; }

void TForm1::ShowBigView() {
  const bool created = big_view() == nullptr;
  BigView& view = Cues().View();
  if (created) {
    connect(&view, &BigView::Hidden, this, [this] { SaveViewSettings(); });
    const ViewSettings settings = ReadViewSettings(ViewSettingsPath(main_window_.settings_path()));
    if (settings.place) {
      // As saved, the window without its frame, while it is on a screen.
      const QSize size = settings.place->size();
      view.setGeometry({PlacementOnScreens(settings.place->x(), settings.place->y(), size), size});
    } else if (const QScreen* screen = this->screen()) {
      // Half the board's screen, in the middle of it.
      const QRect area = screen->availableGeometry();
      view.resize(std::max(view.minimumWidth(), area.width() / 2),
                  std::max(view.minimumHeight(), area.width() / 2 * 9 / 16));
      view.move(area.center() - view.rect().center());
    }
    if (settings.full_screen) view.setWindowState(Qt::WindowFullScreen);
  }
  view.Changed();
  view.show();
  view.raise();
  view.activateWindow();
}

void TForm1::SetSoundSink(SoundSink* sink) {
  sound_sink_ = sink;
  if (cues_ != nullptr && sound_on_) cues_->SetSoundSink(sink);
}

void TForm1::SetSoundOn(bool on) {
  if (on == sound_on_) return;
  sound_on_ = on;
  if (sound_action_ != nullptr) sound_action_->setChecked(on);
  SoundSink* sink = nullptr;
  if (on) {
    if (sound_sink_ == nullptr && system_sound_ == nullptr) {
      system_sound_ = std::make_unique<SystemSound>();
    }
    sink = sound_sink_ != nullptr ? sound_sink_ : system_sound_.get();
  }
  Cues().SetSoundSink(sink);
  SaveViewSettings();
}

void TForm1::LoadViewSettings() {
  // A sound left on is on again for the next match; the view waits to be opened.
  if (ReadViewSettings(ViewSettingsPath(main_window_.settings_path())).sound) SetSoundOn(true);
}

void TForm1::SaveViewSettings() {
  const QString path = ViewSettingsPath(main_window_.settings_path());
  const ViewSettings kept = ReadViewSettings(path);
  ViewSettings settings = kept;
  settings.sound = sound_on_;
  if (const BigView* view = big_view()) {
    settings.full_screen = view->isFullScreen();
    settings.place = view->isFullScreen() ? view->normalGeometry() : view->geometry();
  }
  if (settings == kept) return;  // nothing new: no file is made or written
  WriteViewSettings(path, settings);
}

}  // namespace markwick
