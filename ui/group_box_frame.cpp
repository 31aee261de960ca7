#include "group_box_frame.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmapCache>

namespace markwick {
namespace {

// The bytes of a value in memory, each as two hexadecimal digits, low half first: how Qt's
// pixmap loading writes the numbers of its cache keys.
template <typename T>
QString CacheKeyHex(T value) {
  constexpr char kDigits[] = "0123456789abcdef";
  const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
  QString hex;
  hex.reserve(2 * static_cast<qsizetype>(sizeof(T)));
  for (size_t i = 0; i < sizeof(T); ++i) {
    hex += QLatin1Char(kDigits[bytes[i] & 0xf]);
    hex += QLatin1Char(kDigits[bytes[i] >> 4]);
  }
  return hex;
}

// The key under which QPixmap::load keeps a file's pixmap: its path, modification time, size
// and the pixmap type (0, a pixmap rather than a bitmap).
QString PixmapCacheKey(const QFileInfo& file) {
  return QStringLiteral("qt_pixmap") + file.absoluteFilePath() +
         CacheKeyHex(static_cast<uint>(file.lastModified().toSecsSinceEpoch())) +
         CacheKeyHex(static_cast<quint64>(file.size())) + CacheKeyHex(uint{0});
}

}  // namespace

QString GroupBoxFramePath() {
  return QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");
}

QPixmap PreloadGroupBoxFrame() {
  const QFileInfo file(GroupBoxFramePath());
  if (!file.exists()) return {};
  const QString key = PixmapCacheKey(file);
  QPixmap frame;
  if (QPixmapCache::find(key, &frame)) return frame;
  QImageReader reader(file.filePath(), "png");
  reader.setAutoDetectImageFormat(false);  // the PNG reader alone; no plugin is asked
  frame = QPixmap::fromImageReader(&reader);
  if (!frame.isNull()) QPixmapCache::insert(key, frame);
  return frame;
}

}  // namespace markwick
