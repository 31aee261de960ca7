// Where the windows that the program opens by itself go beside the board: a table of boards
// near each edge of a screen, with the frames that window managers give.
#include <QMargins>
#include <QtTest>

#include "ui/window_placement.h"

namespace {

const QSize kBoard(270, 229);  // the board's client area
const QSize kStats(768, 266);  // the STATS window's
const QMargins kWindowsFrame(8, 31, 8, 8);
const QMargins kX11Frame(1, 27, 1, 1);

}  // namespace

class WindowPlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void besideTheBoard_data() {
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("board");  // the top-left corner of its frame
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QPoint>("expected");
    const QRect wide(0, 0, 1920, 1040);  // a taskbar of 40 below
    const QRect narrow(0, 0, 1024, 728);
    const QRect small(0, 0, 800, 600);
    // Frames of 286 x 268 (the board) and 784 x 305 (the STATS window), 8 apart.
    QTest::newRow("room on the right")
        << wide << QPoint(200, 300) << kWindowsFrame << QPoint(494, 300);
    QTest::newRow("at the left edge: to its right")
        << wide << QPoint(0, 300) << kWindowsFrame << QPoint(294, 300);
    QTest::newRow("at the top edge: to its right, level with it")
        << wide << QPoint(200, 0) << kWindowsFrame << QPoint(494, 0);
    QTest::newRow("near the right edge: to its left")
        << wide << QPoint(1600, 300) << kWindowsFrame << QPoint(808, 300);
    QTest::newRow("near the bottom right corner: to its left, lifted onto the area")
        << wide << QPoint(1600, 760) << kWindowsFrame << QPoint(808, 735);
    QTest::newRow("near the bottom right corner, X11 frame")
        << wide << QPoint(1600, 760) << kX11Frame << QPoint(822, 746);
    QTest::newRow("narrow screen, near the top: below it")
        << narrow << QPoint(369, 10) << kWindowsFrame << QPoint(119, 286);
    QTest::newRow("narrow screen, near the bottom: above it")
        << narrow << QPoint(369, 440) << kWindowsFrame << QPoint(119, 127);
    QTest::newRow("a second screen: to its left, on that screen")
        << QRect(1920, 0, 1280, 984) << QPoint(2820, 100) << kWindowsFrame << QPoint(2028, 100);
    QTest::newRow("no room below for the gap: below, touching it")
        << small << QPoint(257, 20) << kWindowsFrame << QPoint(7, 295);
    QTest::newRow("no room: below, lifted, where it covers least")
        << small << QPoint(257, 166) << kWindowsFrame << QPoint(7, 295);
    QTest::newRow("no room: above, at the area's top, where it covers least")
        << small << QPoint(257, 250) << kWindowsFrame << QPoint(7, 0);
  }

  void besideTheBoard() {
    QFETCH(QRect, area);
    QFETCH(QPoint, board);
    QFETCH(QMargins, frame);
    QFETCH(QPoint, expected);
    const QRect board_frame(board, kBoard.grownBy(frame));
    QCOMPARE(markwick::PlacementBesideBoard(board_frame, board_frame.marginsRemoved(frame), kStats,
                                            area),
             expected);
  }
};

QTEST_APPLESS_MAIN(WindowPlacementTest)
#include "test_window_placement.moc"
