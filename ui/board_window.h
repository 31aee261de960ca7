// The score board window Form1: the score grid, the dart boxes, the round counter, the send and
// correct buttons and the status line. It is the Board of its match engine; every event of the
// match enters through its handlers, each run through the handler gate.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/board.h"
#include "engine/match_engine.h"
#include "engine/match_stats.h"

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTcpSocket;

namespace markwick {

class AutoSizeLabel;
class BigView;
class MatchCues;
class MatchRecord;
class PeerLink;
struct RecordContents;
struct ResyncCounts;
class ScoreGrid;
class HandlerGate;
class SoundSink;
class StatsWindow;
class SystemSound;
class TForm2;

// The role chosen in the start dialog; it decides the ports of the peer link.
enum class PlayerRole { First, Second };

class TForm1 : public QWidget, public Board {
  Q_OBJECT

 public:
  // Creates the window, hidden, with the match state at its start values. main_window is the
  // start dialog: the board stands centred over it when shown, and hides it.
  explicit TForm1(TForm2& main_window);
  ~TForm1() override;

  MatchEngine& engine() { return *engine_; }
  const MatchEngine& engine() const { return *engine_; }
  TForm2& main_window() { return main_window_; }
  // The peer link, once a start button has set it up; none on a board opened without a link.
  PeerLink* link() { return link_; }
  // The program's handler gate (the start dialog's): every handler of this window runs through
  // it.
  HandlerGate& gate();

  // The start buttons' link set-up for the role, towards the rival's host: creates the link,
  // opens the listener (and, playing second, the outgoing connection). Throws std::exception
  // on a failure.
  void StartLink(PlayerRole role, const QString& rival_host);
  // Closes the outgoing connection and the listener with its connections, if there is a link.
  void StopLink();
  // A match resumed after a restart from its record (read from record_path): this program's
  // role and both names, the recorded turns replayed through the engine (nothing sent, no box),
  // the record continued, the link set up for the role at the round reached, the board shown.
  // Throws std::exception on a turn that does not replay or a failure of the link's set-up.
  void ResumeMatch(const RecordContents& record, const QString& record_path);

  // Handlers; each is entered through the handler gate.
  void StringGrid1SelectCell(int col, int row);
  void Button1Click();
  void Button2Click();
  void Label6Click();
  // A key of the dart entry while the board has the focus: a digit, a multiplier key ("/" or
  // Enter single, "*" double, "-" triple), "." a miss, Backspace ("\b"), Esc ("\x1b").
  void FormKeyPress(char key);
  void FormShow();
  void FormClose();
  // The STATS window with the figures so far: from the context menu's "成績" (a right click
  // outside the grid), and by itself once the match has ended.
  void ShowStats();
  StatsWindow* stats_window() { return stats_window_; }
  // The big view "大画面" (the context menu's), created when first opened, and its banners.
  void ShowBigView();
  BigView* big_view() const;
  const MatchCues* cues() const { return cues_.get(); }
  // "音声" in the context menu: the throw line's sounds on or off, kept beside the settings.
  void SetSoundOn(bool on);
  bool sound_on() const { return sound_on_; }
  // The sink the sounds go to while on: the system's player unless another is given.
  void SetSoundSink(SoundSink* sink);

  // The own turns this board has sent, in the order sent, and how many of the rival's turns it
  // has applied: what the two sides compare to agree on the turn in flight when a lost link
  // comes back. Both are filled by TurnPlayed alone, so a match rebuilt by replaying its record
  // through the engine fills them as the match did.
  const std::vector<Turn>& sent_turns() const { return sent_turns_; }
  int applied_rival_turns() const { return applied_rival_turns_; }

  // Link events. ServerSocket1Listen runs at once, inside the start action that opens the
  // listener; the others are entered through the handler gate.
  void ServerSocket1Listen();
  void ServerSocket1ClientConnect(const QPointer<QTcpSocket>& incoming);
  void ClientSocket1Connect();
  void ClientSocket1Disconnect();
  void ClientSocket1Read();
  void ServerSocket1ClientRead();

  // Board
  void SetName(Side side, std::string_view name) override;
  std::string Name(Side side) const override;
  void SetMarkSymbol(Side side, int row, std::string_view symbol) override;
  void SetScoreText(Side side, std::string_view score) override;
  void SetStatusText(std::string_view text) override;
  void SetStatusColour(StatusColour colour) override;
  void SetRoundText(std::string_view text) override;
  void SetRoundMaxText(std::string_view text) override;
  void SetDartText(int dart, std::string_view text) override;
  void SetSendEnabled(bool enabled) override;
  void SetSendCaption(std::string_view caption) override;
  void SetCorrectEnabled(bool enabled) override;
  void ShowMessage(std::string_view text) override;
  void SendTurn(const Turn& turn) override;
  void TurnPlayed(const PlayedTurn& turn) noexcept override;

  // Controls (owned by the window).
  ScoreGrid* StringGrid1;
  QPushButton* Button2;
  AutoSizeLabel* Label6;
  QFrame* Bevel1;
  AutoSizeLabel* Label5;
  AutoSizeLabel* Label4;
  AutoSizeLabel* Label1;
  AutoSizeLabel* Label2;
  AutoSizeLabel* Label3;
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QLineEdit* Edit3;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CentreOverMainWindow();
  void CreateLink();
  void Resynchronise(const ResyncCounts& rival);
  void ResynchroniseFreshRival();
  void StartRecord();
  void ShowStatsAtMatchEnd();
  void OpenStats(bool by_itself);
  void RefreshStats();
  QString PlayerName(bool first) const;  // of the player who plays first, or second
  // The one place where the board's engine events reach the big view and the sounds.
  void FollowBoard();
  MatchCues& Cues();
  void LoadViewSettings();
  void SaveViewSettings();
  void EnterTypedDart(int32_t multiplier);
  void ShowTypedDigits();

  TForm2& main_window_;
  std::array<QLineEdit*, 3> dart_boxes_;
  PeerLink* link_ = nullptr;           // owned (child of the window), from the first StartLink
  QString rival_host_;                 // as typed, once StartLink has set the link up
  std::optional<MatchEngine> engine_;  // created last: it writes the start texts
  // The STATS and the match record, fed with every turn played (TurnPlayed).
  MatchStats stats_;
  std::unique_ptr<MatchRecord> record_;  // from the board's show, the match's start
  StatsWindow* stats_window_ = nullptr;  // owned (a child window), created when first shown
  QMenu* context_menu_ = nullptr;        // owned, created at the first right click
  bool stats_shown_at_end_ = false;
  std::vector<Turn> sent_turns_;
  int applied_rival_turns_ = 0;
  bool told_new_match_ = false;  // the rival's name came after round 1: said once
  bool resumed_ = false;         // rebuilt from its record after a restart
  // Round 1: the rival has connected again, and the turns for a rival started afresh have been
  // settled on the current outgoing connection.
  bool rival_came_back_ = false;
  bool fresh_rival_synced_ = false;
  // The big view and the sounds, from their first use.
  std::unique_ptr<MatchCues> cues_;
  std::unique_ptr<SystemSound> system_sound_;
  SoundSink* sound_sink_ = nullptr;  // given by a test, else the system's
  bool sound_on_ = false;
  QAction* sound_action_ = nullptr;  // in the context menu
  // The digits of the dart being typed, and where they show, created at the first digit.
  QString typed_;
  QLabel* typed_box_ = nullptr;
  bool replaying_ = false;  // a resumed match's turns are played again: no boxes
};

}  // namespace markwick
