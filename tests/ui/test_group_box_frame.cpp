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

namespace {

// Whether any image format plugin is loaded into the process.
bool ImagePluginLoaded() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

}  // namespace

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
    QVERIFY(!ImagePluginLoaded());

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
