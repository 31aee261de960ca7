#include "match_record.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <utility>

#include "utf8_text.h"

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace markwick {
namespace {

// Takes what was written down to the disk itself, so that a power cut loses no turn. Returns
// why it could not, or an empty text.
QString ToDisk(const QFile& file) {
#ifdef _WIN32
  if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())))) return {};
  return QStringLiteral("エラー %1").arg(GetLastError());
#else
  if (fsync(file.handle()) == 0) return {};
  return QString::fromLocal8Bit(std::strerror(errno));
#endif
}

// Names are cut to this many characters in a file name, so that the path stays far below the
// limits of Windows (260 UTF-16 units) and Linux (255 bytes a name).
constexpr int kNameCharacters = 32;

// What Windows or Linux refuses in a file name.
bool Refused(char32_t c) {
  return c < 0x20 || c == 0x7F || QStringView(u"<>:\"/\\|?*").contains(QChar(c));
}

QString FileNamePart(const QString& name) {
  QString part;
  int characters = 0;
  for (qsizetype i = 0; i < name.size() && characters < kNameCharacters; ++i, ++characters) {
    const QChar c = name.at(i);
    if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
      part += c;
      part += name.at(++i);
    } else if (c.isSurrogate() || Refused(c.unicode())) {
      part += u'_';
    } else {
      part += c;
    }
  }
  return part;
}

// A text field: quoted when it holds a separator, a quote or a line break; a text that a
// spreadsheet would take for a formula (a rival's name may be anything) is kept as text.
constexpr qint64 kHeaderLimit = 256;  // the header line is far shorter

QString CsvText(QString text) {
  if (!text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front())) text.prepend(u'\'');
  if (text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r')) {
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
  }
  return text;
}

QByteArray Rows(const PlayedTurn& turn, const QString& player, bool own,
                const QString& rival_address, bool seven_columns) {
  QString rows;
  for (size_t k = 0; k < 3; ++k) {
    QStringList fields = {QString::number(turn.round),
                          CsvText(player),
                          QString::number(k + 1),
                          QString::number(turn.darts.targets[k]),
                          QString::number(turn.darts.marks[k]),
                          CsvText(FromUtf8(turn.texts[k])),
                          QString::number(turn.score),
                          own ? QStringLiteral("自分") : QStringLiteral("相手"),
                          CsvText(rival_address)};
    if (seven_columns) fields.resize(7);
    rows += fields.join(u',') + QStringLiteral("\r\n");
  }
  return rows.toUtf8();
}

}  // namespace

QString RecordFileName(const QDateTime& started, const QString& first, const QString& second,
                       int number) {
  QString name = started.toString(QStringLiteral("yyyy-MM-dd_HHmmss_")) + FileNamePart(first) +
                 u'_' + FileNamePart(second);
  if (number > 1) name += u'_' + QString::number(number);
  return name + QStringLiteral(".csv");
}

MatchRecord::MatchRecord(QString folder, QDateTime started, QString rival_address)
    : folder_(std::move(folder)),
      started_(std::move(started)),
      rival_address_(std::move(rival_address)) {}

std::unique_ptr<MatchRecord> MatchRecord::Continuing(const QString& path, QString rival_address) {
  auto record = std::make_unique<MatchRecord>(QFileInfo(path).absolutePath(), QDateTime(),
                                              std::move(rival_address));
  record->file_.setFileName(path);
  record->continuing_ = true;
  return record;
}

void MatchRecord::Append(const PlayedTurn& turn, const QString& first, const QString& second,
                         bool own) {
  if (!failure_.isEmpty()) return;
  if (!file_.isOpen() && !(continuing_ ? Reopen() : Create(first, second))) return;
  Write(Rows(turn, turn.first ? first : second, own, rival_address_, seven_columns_));
}

bool MatchRecord::Create(const QString& first, const QString& second) {
  if (!QDir().mkpath(folder_)) {
    failure_ = QStringLiteral("フォルダ %1 を作れません").arg(QDir::toNativeSeparators(folder_));
    return false;
  }
  // A file of the same name (the rival's record, when both programs share a folder) is kept.
  const QDir folder(folder_);
  for (int number = 1; number <= 99; ++number) {
    file_.setFileName(folder.filePath(RecordFileName(started_, first, second, number)));
    if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      return Write(QStringLiteral("\uFEFFラウンド,プレイヤー,投目,ターゲット,マーク,表示,得点,側,"
                                  "相手アドレス\r\n")
                       .toUtf8());
    }
    if (!file_.exists()) break;
  }
  failure_ = QStringLiteral("%1 を作れません（%2）")
                 .arg(QDir::toNativeSeparators(file_.fileName()), file_.errorString());
  return false;
}

bool MatchRecord::Reopen() {
  // A spreadsheet that saved the file may have left its last line without a line end.
  bool line_open = false;
  {
    QFile read(file_.fileName());
    if (read.open(QIODevice::ReadOnly)) {
      seven_columns_ = read.readLine(kHeaderLimit).count(',') == 6;
      if (read.size() > 0 && read.seek(read.size() - 1)) line_open = read.read(1) != "\n";
    }
  }
  if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
    failure_ = QStringLiteral("%1 に書き込めません（%2）")
                   .arg(QDir::toNativeSeparators(file_.fileName()), file_.errorString());
    return false;
  }
  return !line_open || Write("\r\n");
}

bool MatchRecord::Write(const QByteArray& bytes) {
  QString why;
  if (file_.write(bytes) != bytes.size() || !file_.flush()) {
    why = file_.errorString();
  } else {
    why = ToDisk(file_);
    if (why.isEmpty()) return true;
  }
  failure_ = QStringLiteral("%1 に書き込めません（%2）")
                 .arg(QDir::toNativeSeparators(file_.fileName()), why);
  file_.close();
  return false;
}

}  // namespace markwick
