#include "message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>

namespace markwick {
namespace {

// A message box that centres itself on the screen once its size is known.
class ScreenCentredBox : public QMessageBox {
 public:
  ScreenCentredBox(Icon icon, const QString& text, StandardButtons buttons = QMessageBox::Ok)
      : QMessageBox(icon, ApplicationTitle(), text, buttons) {
    setTextFormat(Qt::PlainText);
    setWindowModality(Qt::ApplicationModal);
  }

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);  // gives the box its final size
    if (event->spontaneous()) return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    const QSize size = frameGeometry().size();
    move(area.x() + (area.width() - size.width()) / 2,
         area.y() + (area.height() - size.height()) / 2);
  }
};

void Show(QMessageBox::Icon icon, const QString& text) {
  ScreenCentredBox box(icon, text);
  box.exec();
}

}  // namespace

QString TitleFromFileName(const QString& file_name) {
  const qsizetype dot = file_name.indexOf(u'.');
  const QString name = dot < 0 ? file_name : file_name.left(dot);
  if (name.isEmpty()) return name;
  const qsizetype first = name.at(0).isHighSurrogate() && name.size() > 1 ? 2 : 1;
  return name.left(first) + name.mid(first).toLower();
}

QString ApplicationTitle() {
  return TitleFromFileName(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

QString WithFullStop(const QString& message) {
  if (!message.isEmpty() && message.back() > u'.') return message + u'.';
  return message;
}

void ShowMessageBox(const QString& text) { Show(QMessageBox::NoIcon, text); }

bool AskYesNo(const QString& text) {
  ScreenCentredBox box(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
  box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void ShowErrorBox(const QString& message) { Show(QMessageBox::Critical, WithFullStop(message)); }

}  // namespace markwick
