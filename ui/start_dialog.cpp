#include "start_dialog.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <optional>
#include <utility>

#include "auto_size_label.h"
#include "board_window.h"
#include "codec/sjis_codec.h"
#include "engine/match_replay.h"
#include "form_font.h"
#include "history_window.h"
#include "message_boxes.h"
#include "placed.h"
#include "record_reader.h"
#include "settings_file.h"
#include "utf8_text.h"
#include "window_placement.h"

namespace markwick {
namespace {

constexpr char16_t kParameter[] = u"Parameter";
constexpr char16_t kForm[] = u"Form";

}  // namespace

TForm2::TForm2(QString settings_path)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      settings_path_(std::move(settings_path)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Markwick: StartGame"));
  setFixedSize(385, 153);
  setFont(FormFont(12));

  GroupBox1 = Placed<QGroupBox>(QRect(4, 4, 377, 45), this, QStringLiteral("先攻プレイヤー"));
  Label1 = new AutoSizeLabel(QStringLiteral("プレイヤー名："), QRect(8, 20, 73, 12), GroupBox1);
  // The text boxes are created empty: their layout texts ("Player1", "Player2",
  // "XXX.XXX.XXX.XXX") are always replaced at creation by what the settings file gives, its
  // defaults included, and a text box created with a text lays it out in the default font first.
  Edit1 = Placed<QLineEdit>(QRect(84, 16, 201, 20), GroupBox1);
  Button1 = Placed<QPushButton>(QRect(292, 12, 77, 25), GroupBox1, QStringLiteral("先攻いきます"));
  GroupBox2 = Placed<QGroupBox>(QRect(4, 52, 377, 45), this, QStringLiteral("後攻プレイヤー"));
  Label3 = new AutoSizeLabel(QStringLiteral("プレイヤー名："), QRect(8, 20, 73, 12), GroupBox2);
  Edit2 = Placed<QLineEdit>(QRect(84, 16, 201, 20), GroupBox2);
  Button2 = Placed<QPushButton>(QRect(292, 16, 77, 25), GroupBox2, QStringLiteral("後攻待ちます"));
  Label5 = new AutoSizeLabel(QStringLiteral("相手のIPアドレス："), QRect(8, 108, 92, 12), this);
  Edit3 = Placed<QLineEdit>(QRect(104, 104, 273, 20), this);
  Button3 = Placed<QPushButton>(QRect(8, 132, 89, 17), this, QStringLiteral("設定しないでGo"));
  Label2 =
      new AutoSizeLabel(QStringLiteral("使用ポート：50100、50001"), QRect(248, 136, 129, 12), this);

  setTabOrder(Edit1, Button1);
  setTabOrder(Button1, Edit2);
  setTabOrder(Edit2, Button2);
  setTabOrder(Button2, Edit3);
  setTabOrder(Edit3, Button3);

  // The handlers create the score board (ScoreBoard) when it does not exist yet, inside the
  // gate: a failure to create it is shown like any handler's.
  connect(Button1, &QPushButton::clicked, this, gate_.Entry(this, &TForm2::Button1Click));
  connect(Button2, &QPushButton::clicked, this, gate_.Entry(this, &TForm2::Button2Click));
  connect(Button3, &QPushButton::clicked, this, gate_.Entry(this, &TForm2::Button3Click));

  FormCreate();
}

// Out of line, where TForm1 is complete. The board, a window of its own that refers to the
// dialog and its gate, is the last member and so goes first.
TForm2::~TForm2() = default;

TForm1& TForm2::ScoreBoard() {
  if (board_ == nullptr) board_ = std::make_unique<TForm1>(*this);
  return *board_;
}

void TForm2::FormCreate() {
  const SettingsFile settings(settings_path_);
  const int top = settings.ReadInteger(kForm, u"TOP", 140);
  const int left = settings.ReadInteger(kForm, u"LEFT", 511);
  move(PlacementOnScreens(left, top, size()));
  ReadText(settings, Edit1, u"FName", QStringLiteral("Player1"));
  ReadText(settings, Edit2, u"SName", QStringLiteral("Player2"));
  ReadText(settings, Edit3, u"IPAddress", QStringLiteral("xxx.XXX.xxx.XXX"));
}

void TForm2::ReadText(const SettingsFile& settings, QLineEdit* box, QStringView key,
                      const QString& def) {
  const std::optional<QByteArray> bytes = settings.ReadBytes(kParameter, key);
  box->setText(bytes ? DecodeSjis(*bytes) : def);
  if (bytes) texts_read_[box] = TextRead{box->text(), *bytes};
}

void TForm2::SaveParam() {
  // The player's configuration folder may not exist yet; a failure shows in the first write.
  QDir().mkpath(QFileInfo(settings_path_).absolutePath());
  const SettingsFile settings(settings_path_);
  SaveText(settings, Edit3, u"IPAddress");
  SaveText(settings, Edit1, u"FName");
  SaveText(settings, Edit2, u"SName");
  settings.WriteInteger(kForm, u"TOP", y());
  settings.WriteInteger(kForm, u"LEFT", x());
}

void TForm2::SaveText(const SettingsFile& settings, const QLineEdit* box, QStringView key) const {
  const auto read = texts_read_.find(box);
  if (read != texts_read_.end() && read->second.text == box->text()) {
    settings.WriteBytes(kParameter, key, read->second.bytes);
  } else {
    settings.WriteString(kParameter, key, box->text());
  }
}

void TForm2::Button1Click() { StartMatch(PlayerRole::First); }

void TForm2::Button2Click() { StartMatch(PlayerRole::Second); }

void TForm2::StartMatch(PlayerRole role) {
  TForm1& board = ScoreBoard();
  const bool first = role == PlayerRole::First;
  // Own name, roles, status line; the correction button for the first player, the round label
  // for the second.
  if (first) {
    board.engine().ChooseFirstPlayer(ToUtf8(Edit1->text()));
  } else {
    board.engine().ChooseSecondPlayer(ToUtf8(Edit2->text()));
  }
  // A start that fails closes what it opened, so that the next press starts afresh.
  try {
    board.StartLink(role, Edit3->text());
    SaveParam();
  } catch (...) {
    board.StopLink();
    throw;
  }
  board.setWindowTitle(first ? QStringLiteral("Markwick [先攻]")
                             : QStringLiteral("Markwick [後攻]"));
  board.show();
}

void TForm2::Button3Click() { ScoreBoard().show(); }

void TForm2::FormClose() { QCoreApplication::quit(); }

bool TForm2::OfferToResume() {
  bool resumed = false;
  gate_.Run([this, &resumed] { resumed = ResumeLastMatch(); });
  return resumed;
}

bool TForm2::ResumeLastMatch() {
  // Only the folder is listed when it holds no record; the files are named from the start of
  // their match, so the last name is the newest.
  const QDir folder(RecordsFolder());
  const QStringList names = folder.entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
  if (names.isEmpty()) return false;
  const QString path = folder.filePath(names.back());
  const RecordContents record = ReadRecord(path);
  if (!record.read() || record.turns.empty()) return false;
  try {
    if (ReplayMatch(record.own_first, record.turns).result != MatchResult::NotEnded) return false;
  } catch (const ReplayError&) {
    return false;  // a record that does not replay cannot be gone on with
  }
  const PlayedTurn& last = record.turns.back();
  QStringList players = {record.first_name, record.second_name};
  players.removeAll(QString());
  if (!AskYesNo(QStringLiteral("前回の試合を続けますか？\n%1\nラウンド %2")
                    .arg(players.join(QStringLiteral(" 対 ")))
                    .arg(last.first ? last.round : last.round + 1))) {
    return false;
  }
  try {
    ScoreBoard().ResumeMatch(record, path);
  } catch (...) {
    // A board that could not resume is not used for a new match.
    board_->StopLink();
    board_.reset();
    throw;
  }
  return true;
}

QString TForm2::RecordsFolder() const {
  return QFileInfo(settings_path_).absoluteDir().filePath(QStringLiteral("records"));
}

void TForm2::ShowHistory() {
  if (history_window_ == nullptr) {
    history_window_ = std::make_unique<HistoryWindow>(RecordsFolder(), gate_);
  }
  history_window_->Open();
}

void TForm2::contextMenuEvent(QContextMenuEvent* event) {
  if (context_menu_ == nullptr) {
    context_menu_ = new QMenu(this);
    connect(context_menu_->addAction(QStringLiteral("戦績")), &QAction::triggered, this,
            gate_.Entry(this, &TForm2::ShowHistory));
  }
  context_menu_->popup(event->globalPos());
}

void TForm2::closeEvent(QCloseEvent* event) {
  event->accept();
  gate_.Run([this] { FormClose(); });
}

}  // namespace markwick
