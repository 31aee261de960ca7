// The start dialog Form2, the program's main window: the own name for either role, the
// rival's address and the three start buttons. Its position and texts come from the settings
// file when it is created; the two role buttons save them again.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QWidget>
#include <map>
#include <memory>

#include "handler_gate.h"

class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace markwick {

class AutoSizeLabel;
class HistoryWindow;
class SettingsFile;
class TForm1;
enum class PlayerRole;

class TForm2 : public QWidget {
  Q_OBJECT

 public:
  // Creates the dialog, hidden, at the position and with the texts read from the settings
  // file at settings_path (the defaults where it has none).
  explicit TForm2(QString settings_path);
  ~TForm2() override;

  // The score board that the start buttons set up and show, a window of its own, created when
  // first asked for (the first press of a start button): the dialog paints without it. The
  // buttons' handlers run through its handler gate.
  TForm1& ScoreBoard();
  const QString& settings_path() const { return settings_path_; }
  // The program's handler gate: every handler of this window and of the score board runs
  // through it.
  HandlerGate& gate() { return gate_; }

  // At start: when the newest record of the records folder holds a match that did not end,
  // asks whether to go on with it, and on "はい" opens the board in that match. True when the
  // board was opened; otherwise the dialog is for a new match. Runs through the handler gate.
  bool OfferToResume();

  // Handlers; each is entered through the handler gate.
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void FormClose();
  // The history window "戦績" over the records folder, from the context menu of this dialog
  // and of the board; created when first opened.
  void ShowHistory();
  HistoryWindow* history_window() { return history_window_.get(); }
  // Where the match records are kept: beside the settings file.
  QString RecordsFolder() const;

  // Writes the address, both names and the dialog's position into the settings file.
  // Throws SettingsWriteError when the file cannot be written.
  void SaveParam();

  // Controls (owned by the dialog).
  QGroupBox* GroupBox1;
  AutoSizeLabel* Label1;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QGroupBox* GroupBox2;
  AutoSizeLabel* Label3;
  QLineEdit* Edit2;
  QPushButton* Button2;
  AutoSizeLabel* Label5;
  QLineEdit* Edit3;
  QPushButton* Button3;
  AutoSizeLabel* Label2;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void FormCreate();
  bool ResumeLastMatch();
  // The steps of the two role buttons, in their order.
  void StartMatch(PlayerRole role);
  // A text box's key of section Parameter: read into the box, or saved from it.
  void ReadText(const SettingsFile& settings, QLineEdit* box, QStringView key, const QString& def);
  void SaveText(const SettingsFile& settings, const QLineEdit* box, QStringView key) const;

  // What the settings file gave each text box: the text shown and the bytes it came from. A box
  // that still holds that text is saved as those bytes, so that a byte the code page leaves
  // undefined (shown as a replacement character) survives a start unedited.
  struct TextRead {
    QString text;
    QByteArray bytes;
  };
  std::map<const QLineEdit*, TextRead> texts_read_;

  QString settings_path_;
  HandlerGate gate_;               // outlives the board, whose handlers it runs
  std::unique_ptr<TForm1> board_;  // refers to the dialog and the gate: destroyed first
  std::unique_ptr<HistoryWindow> history_window_;  // a window of its own, from its first opening
  QMenu* context_menu_ = nullptr;                  // owned, created at the first right click
};

}  // namespace markwick
