// The group-box frame read into the pixmap cache before the first group box: Qt's own loading of
// the frame image finds it there, no image format plugin is loaded for it, and a group box is drawn
// with the same pixels as through Qt's own loading.
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QtTest>

#include "ui/form_font.h"
#include "ui/group_box_frame.h"

class GroupBoxFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    markwick::InstallFormFont();
    markwick::PreloadGroupBoxFrame();  // as the start dialog does before its group boxes
  }

  void drawnAsThroughQtsOwnLoadingWithoutImagePlugins() {
    QGroupBox box(QStringLiteral("先攻プレイヤー"));
    box.setFont(markwick::FormFont(12));
    box.resize(377, 45);
    const QImage preloaded_at_start = box.grab().toImage();
#ifdef Q_OS_LINUX  // a shared Qt's plugins; the Windows build's Qt is static
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    QVERIFY2(!maps.readAll().contains("/imageformats/"), "an image format plugin was loaded");
#endif

    QPixmapCache::clear();
    const QImage through_qt = box.grab().toImage();  // the style loads the frame itself
    QCOMPARE(preloaded_at_start, through_qt);

    QPixmapCache::clear();
    const QPixmap preloaded = markwick::PreloadGroupBoxFrame();
    QVERIFY(!preloaded.isNull());
    QCOMPARE(QPixmap(markwick::GroupBoxFramePath()).cacheKey(), preloaded.cacheKey());
    QCOMPARE(box.grab().toImage(), through_qt);
  }
};

QTEST_MAIN(GroupBoxFrameTest)
#include "test_group_box_frame.moc"
