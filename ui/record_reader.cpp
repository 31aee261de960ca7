#include "record_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <optional>

#include "engine/match_state.h"
#include "match_record.h"
#include "utf8_text.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace markwick {
namespace {

constexpr int kSevenColumns = 7;
constexpr int kNineColumns = 9;
// The header and three rows for each of the 2 x 20 turns of a match.
constexpr qsizetype kMaxRows = 1 + 2 * kRoundMax * 3;

const QString kOwnSide = QStringLiteral("自分");
const QString kRivalSide = QStringLiteral("相手");

RecordContents Unreadable(const QString& reason) {
  RecordContents contents;
  contents.status = RecordContents::Status::Unreadable;
  contents.reason = reason;
  return contents;
}

// The rows of a CSV text as the writer makes them: fields quoted with doubled quotes where
// needed, every row ended by a line break. Fails on a row cut short or a quote out of place.
std::optional<std::vector<QStringList>> SplitRows(QStringView text, QString& reason) {
  std::vector<QStringList> rows;
  QStringList row;
  row.reserve(kNineColumns);
  const qsizetype size = text.size();
  // Whether a field ends before position at: a separator, a line end or the text's end.
  const auto field_ends = [&](qsizetype at) {
    return at == size || text[at] == u',' || text[at] == u'\n' ||
           (text[at] == u'\r' && at + 1 < size && text[at + 1] == u'\n');
  };
  qsizetype i = 0;
  while (i < size) {
    // One field, then what ends it: a separator or a line end. Unquoted fields are taken
    // whole, quoted ones in the pieces between their doubled quotes.
    QString field;
    if (text[i] == u'"') {
      ++i;
      for (;;) {
        const qsizetype quote = text.indexOf(u'"', i);
        if (quote < 0) {
          reason = QStringLiteral("最後の行が途中で切れています");
          return std::nullopt;
        }
        field += text.sliced(i, quote - i);
        i = quote + 1;
        if (i < size && text[i] == u'"') {
          field += u'"';
          ++i;
          continue;
        }
        break;
      }
      if (!field_ends(i)) {
        reason =
            QStringLiteral("%1 行目: 引用符で閉じた欄の後に文字があります").arg(rows.size() + 1);
        return std::nullopt;
      }
    } else {
      qsizetype end = i;
      while (!field_ends(end)) {
        ++end;
      }
      field = text.sliced(i, end - i).toString();
      i = end;
    }
    row << std::move(field);
    if (i == size) break;  // no line end after the last field
    if (text[i] == u',') {
      ++i;
      if (i == size) break;  // a separator ends the text: the row is cut short
      continue;
    }
    i += text[i] == u'\r' ? 2 : 1;
    rows.push_back(std::move(row));
    row = {};
    row.reserve(kNineColumns);
    if (static_cast<qsizetype>(rows.size()) > kMaxRows) {
      reason = QStringLiteral("行が多すぎます（1 試合は多くて %1 行）").arg(kMaxRows);
      return std::nullopt;
    }
  }
  if (!row.isEmpty()) {
    reason = QStringLiteral("最後の行が途中で切れています");
    return std::nullopt;
  }
  return rows;
}

// A decimal integer as the writer writes one: digits with an optional minus, within 32 bits.
std::optional<int32_t> Integer(QStringView text) {
  qsizetype i = text.startsWith(u'-') ? 1 : 0;
  if (i == text.size() || text.size() - i > 10) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
    value = value * 10 + (text[i].unicode() - u'0');
  }
  if (text.startsWith(u'-')) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

// A text field as it was before the writer kept it from being taken for a formula.
QString Unguarded(const QString& field) {
  if (field.size() >= 2 && field[0] == u'\'' && QStringView(u"=+-@\t\r").contains(field[1])) {
    return field.mid(1);
  }
  return field;
}

bool IsTarget(int32_t target) { return target == 0 || RowOfTarget(target) >= 0; }

// The second player's name where no turn of its own says it: the file name holds it after the
// first player's (characters a file name cannot hold replaced, cut to its length there).
QString SecondNameFromFileName(const QString& file_name, const RecordContents& contents) {
  if (!contents.started.isValid()) return {};
  QString prefix = RecordFileName(contents.started, contents.first_name, QString());
  prefix.chop(4);  // ".csv"
  if (!file_name.startsWith(prefix) || !file_name.endsWith(QStringLiteral(".csv"))) return {};
  return file_name.mid(prefix.size(), file_name.size() - prefix.size() - 4);
}

}  // namespace

RecordContents ParseRecord(const QByteArray& bytes, const QString& file_name) {
  QByteArrayView body(bytes);
  if (body.startsWith("\xEF\xBB\xBF")) body = body.sliced(3);
  if (body.isEmpty()) return Unreadable(QStringLiteral("空のファイルです"));
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
  const QString text = decoder.decode(body);
  if (decoder.hasError()) return Unreadable(QStringLiteral("UTF-8 でない文字があります"));

  QString reason;
  const std::optional<std::vector<QStringList>> split = SplitRows(text, reason);
  if (!split) return Unreadable(reason);
  const std::vector<QStringList>& rows = *split;
  const QStringList header = {"ラウンド", "プレイヤー", "投目", "ターゲット",  "マーク",
                              "表示",     "得点",       "側",   "相手アドレス"};
  if (rows.empty() || (rows[0] != header && rows[0] != header.mid(0, kSevenColumns))) {
    return Unreadable(QStringLiteral("対戦記録の見出し行がありません"));
  }
  const qsizetype columns = rows[0].size();
  if ((rows.size() - 1) % 3 != 0) return Unreadable(QStringLiteral("ターンの途中で終わっています"));

  RecordContents contents;
  contents.started = QDateTime::fromString(file_name.left(17), QStringLiteral("yyyy-MM-dd_HHmmss"));
  // The side column of each player, and whether a player's darts have texts (older records).
  QString sides[2];
  bool texts[2] = {false, false};
  QString address;
  for (size_t r = 1; r < rows.size(); r += 3) {
    const size_t index = (r - 1) / 3;
    PlayedTurn turn;
    turn.round = static_cast<int32_t>(index / 2 + 1);
    turn.first = index % 2 == 0;
    const int player = turn.first ? 0 : 1;
    QString& name = turn.first ? contents.first_name : contents.second_name;
    for (int k = 0; k < 3; ++k) {
      const QStringList& row = rows[r + k];
      const qsizetype line = static_cast<qsizetype>(r + k) + 1;
      const auto fault = [line](const char* what) {
        return Unreadable(QStringLiteral("%1 行目: %2").arg(line).arg(QString::fromUtf8(what)));
      };
      if (row.size() != columns) return fault("欄の数が見出しと違います");
      if (Integer(row[0]) != turn.round) return fault("ラウンドが試合の順になっていません");
      const QString player_name = Unguarded(row[1]);
      if (k == 0 && (index < 2)) name = player_name;
      if (player_name != name) return fault("同じ側のプレイヤー名が途中で変わっています");
      if (Integer(row[2]) != k + 1) return fault("投目が 1 から 3 の順になっていません");
      const std::optional<int32_t> target = Integer(row[3]);
      const std::optional<int32_t> marks = Integer(row[4]);
      const std::optional<int32_t> score = Integer(row[6]);
      if (!target || !IsTarget(*target)) return fault("ターゲットが数字でないか、的にありません");
      if (!marks || (*target == 0 && *marks != 0)) return fault("マークが数字でありません");
      if (!score || *score < 0 || (k > 0 && *score != turn.score)) {
        return fault("得点が数字でないか、ターンの中で変わっています");
      }
      turn.darts.targets[k] = *target;
      turn.darts.marks[k] = *marks;
      turn.texts[k] = ToUtf8(row[5]);
      turn.score = *score;
      texts[player] = texts[player] || !row[5].isEmpty();
      if (columns == kNineColumns) {
        if (row[7] != kOwnSide && row[7] != kRivalSide)
          return fault("側が「自分」でも「相手」でもありません");
        if (sides[player].isEmpty()) sides[player] = row[7];
        if (row[7] != sides[player] || row[7] == sides[1 - player]) {
          return fault("側が試合の途中で変わっています");
        }
        if (r == 1 && k == 0) address = row[8];
        if (row[8] != address) return fault("相手アドレスが試合の途中で変わっています");
      }
    }
    contents.turns.push_back(std::move(turn));
  }

  if (columns == kNineColumns) {
    contents.own_first = sides[0].isEmpty() ? sides[1] == kRivalSide : sides[0] == kOwnSide;
    contents.rival_address = Unguarded(address);
  } else if (texts[0] && texts[1]) {
    return Unreadable(QStringLiteral("両方のプレイヤーの投擲に表示があり、自分の側がわかりません"));
  } else if (!texts[0] && !texts[1] && contents.turns.size() >= 2) {
    return Unreadable(QStringLiteral("どの投擲にも表示がなく、自分の側がわかりません"));
  } else {
    // The own darts are the ones with texts; a record of the rival's first turn alone has none.
    contents.own_first = texts[0];
  }
  // Only the own darts carry texts.
  for (PlayedTurn& turn : contents.turns) {
    if (turn.first != contents.own_first) turn.texts = {};
  }
  if (contents.turns.size() < 2) {
    contents.second_name = SecondNameFromFileName(file_name, contents);
  }
  contents.status = RecordContents::Status::Read;
  return contents;
}

RecordContents ReadRecord(const QString& path) {
  const QString file_name = QFileInfo(path).fileName();
  QFile file;
#ifdef Q_OS_UNIX
  // Without blocking: a FIFO opened for reading would wait for a writer. Its kind is then read
  // from the opened file itself, so nothing can be swapped in between.
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return Unreadable(
        QStringLiteral("開けません（%1）").arg(QString::fromLocal8Bit(std::strerror(errno))));
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    RecordContents skipped = Unreadable(QStringLiteral("通常のファイルではありません"));
    skipped.status = RecordContents::Status::NotAFile;
    return skipped;
  }
  const qint64 size = info.st_size;
  if (size > kMaxRecordBytes || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    if (size > kMaxRecordBytes) {
      return Unreadable(QStringLiteral("大きすぎます（%1 バイト）").arg(size));
    }
    return Unreadable(QStringLiteral("開けません"));
  }
#else
  // Windows keeps no FIFOs among files: a folder is the one thing to skip.
  const QFileInfo info(path);
  if (info.exists() && !info.isFile()) {
    RecordContents skipped = Unreadable(QStringLiteral("通常のファイルではありません"));
    skipped.status = RecordContents::Status::NotAFile;
    return skipped;
  }
  if (info.size() > kMaxRecordBytes) {
    return Unreadable(QStringLiteral("大きすぎます（%1 バイト）").arg(info.size()));
  }
  file.setFileName(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return Unreadable(QStringLiteral("開けません（%1）").arg(file.errorString()));
  }
#endif
  // A file that grows while it is read is cut at the limit, and refused.
  const QByteArray bytes = file.read(kMaxRecordBytes + 1);
  if (bytes.size() > kMaxRecordBytes) return Unreadable(QStringLiteral("大きすぎます"));
  if (file.error() != QFileDevice::NoError) {
    return Unreadable(QStringLiteral("読めません（%1）").arg(file.errorString()));
  }
  return ParseRecord(bytes, file_name);
}

}  // namespace markwick
