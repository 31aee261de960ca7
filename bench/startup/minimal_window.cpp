// The yardsticks for Markwick's start-up: a Qt Widgets program that shows one window of the
// start dialog's size, empty, or with one line of Japanese text ("text"), which makes it load
// the font database as every window that shows text must.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
  const bool with_text = argc > 1 && std::strcmp(argv[1], "text") == 0;
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(with_text ? "Minimal window with text" : "Minimal window");
  window.setFixedSize(385, 153);
  window.move(511, 140);
  if (with_text) {
    auto* label = new QLabel(QStringLiteral("相手のIPアドレス："), &window);
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(12);
    label->setFont(font);
    label->move(8, 108);
  }
  window.show();
  return app.exec();
}
