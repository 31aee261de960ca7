#include "ui/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <string_view>
#include <utility>

#include "codec/sjis_codec.h"
#include "link/integer_text.h"

namespace markwick {

namespace {

// The longest value a read gives, in bytes.
constexpr qsizetype kMaxValueBytes = 2047;

const QByteArray kNewLine = QByteArrayLiteral("\r\n");

// The largest file read or rewritten: a settings file is a few hundred bytes, and anything far
// larger (a runaway file, a link to a device) must neither stall the start nor be replaced.
constexpr qint64 kMaxFileBytes = qint64{1} << 20;

enum class LineKind { kOther, kSection, kKey };

// One line of the file: its text is [begin, end), its line break (CR LF, LF or CR; none on a
// last line without one) is [end, next).
struct ParsedLine {
  qsizetype begin = 0;
  qsizetype end = 0;
  qsizetype next = 0;
  LineKind kind = LineKind::kOther;
  QByteArrayView name;   // section or key name, blanks around it dropped
  QByteArrayView value;  // key value: everything after "=", as it stands
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Blanks are below 0x40, so no second byte of a pair is taken for one.
QByteArrayView TrimmedFront(QByteArrayView text) {
  while (!text.isEmpty() && IsBlank(text.front())) text = text.sliced(1);
  return text;
}

QByteArrayView Trimmed(QByteArrayView text) {
  text = TrimmedFront(text);
  while (!text.isEmpty() && IsBlank(text.back())) text.chop(1);
  return text;
}

void Classify(QByteArrayView text, ParsedLine& line) {
  text = TrimmedFront(text);
  if (text.isEmpty() || text.front() == ';') return;
  if (text.front() == '[') {
    // "]" (0x5D) can be the second byte of a pair: step by characters.
    for (qsizetype pos = 1; pos < text.size(); pos += SjisCharLength(text, pos)) {
      if (text[pos] == ']') {
        line.kind = LineKind::kSection;
        line.name = Trimmed(text.sliced(1, pos - 1));
        return;
      }
    }
    return;
  }
  // "=" (0x3D) is never the second byte of a pair.
  const qsizetype eq = text.indexOf('=');
  if (eq < 0) return;
  line.kind = LineKind::kKey;
  line.name = Trimmed(text.first(eq));
  line.value = text.sliced(eq + 1);
}

// The line that starts at pos. CR and LF are never the second byte of a double-byte character,
// so lines are cut bytewise.
ParsedLine LineAt(QByteArrayView content, qsizetype pos) {
  ParsedLine line;
  line.begin = pos;
  line.end = pos;
  while (line.end < content.size() && content[line.end] != '\r' && content[line.end] != '\n') {
    ++line.end;
  }
  line.next = line.end;
  if (line.next < content.size() && content[line.next] == '\r') ++line.next;
  if (line.next < content.size() && content[line.next] == '\n') ++line.next;
  Classify(content.sliced(line.begin, line.end - line.begin), line);
  return line;
}

char FoldAscii(char16_t c) {
  return static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
}

bool SameName(QByteArrayView file_name, QStringView wanted) {
  const QString name = DecodeSjis(file_name);
  if (name.size() != wanted.size()) return false;
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t a = name[i].unicode();
    const char16_t b = wanted[i].unicode();
    if (a != b && (a >= 0x80 || b >= 0x80 || FoldAscii(a) != FoldAscii(b))) return false;
  }
  return true;
}

// Where a key stands in the file: one pass over its lines.
struct Location {
  std::optional<ParsedLine> section;   // the first section of the name
  std::optional<ParsedLine> key;       // the key's first line in that section
  std::optional<ParsedLine> last_key;  // the section's last key line
};

Location Locate(QByteArrayView content, QStringView section, QStringView key) {
  Location at;
  for (qsizetype pos = 0; pos < content.size();) {
    const ParsedLine line = LineAt(content, pos);
    pos = line.next;
    if (line.kind == LineKind::kSection) {
      if (at.section) break;  // the section ends at the next one
      if (SameName(line.name, section)) at.section = line;
    } else if (line.kind == LineKind::kKey && at.section) {
      at.last_key = line;
      if (!at.key && SameName(line.name, key)) at.key = line;
    }
  }
  return at;
}

// The file's bytes; nullopt when there is no file. Only a regular file (or a link to one) of
// at most kMaxFileBytes is read: a device, a FIFO or a runaway file would block, exhaust
// memory or stall the program, so it counts as unreadable.
struct Loaded {
  bool usable = false;
  QByteArray bytes;
};

std::optional<Loaded> Load(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return std::nullopt;
  Loaded loaded;
  if (!info.isFile() || info.size() > kMaxFileBytes) return loaded;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return loaded;
  loaded.bytes = file.read(kMaxFileBytes + 1);
  loaded.usable = file.error() == QFileDevice::NoError && loaded.bytes.size() <= kMaxFileBytes;
  return loaded;
}

// The file's bytes with the key set to value (already code page 932, no line breaks).
QByteArray WithSettingsValue(QByteArrayView content, QStringView section, QStringView key,
                             QByteArrayView value) {
  const Location at = Locate(content, section, key);
  QByteArray key_line = EncodeSjis(key);
  key_line.append('=').append(value);

  QByteArray result(content.data(), content.size());
  if (at.key) {
    // In place: the line's own line break stays.
    return result.replace(at.key->begin, at.key->end - at.key->begin, key_line);
  }
  if (at.section) {
    const ParsedLine& anchor = at.last_key ? *at.last_key : *at.section;
    QByteArray insert = key_line + kNewLine;
    if (anchor.next == anchor.end) insert.prepend(kNewLine);  // last line of a file without one
    return result.insert(anchor.next, insert);
  }
  if (!result.isEmpty() && !result.endsWith('\n') && !result.endsWith('\r')) result += kNewLine;
  return result + '[' + EncodeSjis(section) + ']' + kNewLine + key_line + kNewLine;
}

// A folder where no temporary file can be made (an installed program's) may hold a settings
// file that can itself be written: it is rewritten in place. ExistingOnly: never created here.
// A file marked read-only (its permissions, Windows' read-only attribute) is left alone even
// where the process could open it anyway, as QSaveFile leaves it.
bool WriteInPlace(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!QFileInfo(path).isWritable() ||
      !file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::ExistingOnly)) {
    return false;
  }
  const bool written = file.write(bytes) == bytes.size() && file.flush();
  file.close();
  return written && file.error() == QFileDevice::NoError;
}

}  // namespace

SettingsWriteError::SettingsWriteError(const QString& path)
    : std::runtime_error(QStringLiteral("%1 に書き込めません")
                             .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()))
                             .toStdString()) {}

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {}

QString SettingsFile::PathForExecutable(const QString& exe_path) {
  const qsizetype name_start = exe_path.lastIndexOf(u'/') + 1;
  const qsizetype dot = exe_path.lastIndexOf(u'.');
  if (dot > name_start) return exe_path.first(dot) + QStringLiteral(".ini");
  return exe_path + QStringLiteral(".ini");
}

QString SettingsFile::path() const { return path_; }

QString SettingsFile::ReadString(QStringView section, QStringView key, const QString& def) const {
  const std::optional<QByteArray> value = ReadBytes(section, key);
  return value ? DecodeSjis(*value) : def;
}

std::optional<QByteArray> SettingsFile::ReadBytes(QStringView section, QStringView key) const {
  const std::optional<Loaded> file = Load(path_);
  if (!file || !file->usable) return std::nullopt;
  const Location at = Locate(file->bytes, section, key);
  if (!at.key) return std::nullopt;
  // The value is everything after "=", as it stands, up to its length limit.
  const QByteArrayView value = at.key->value;
  return value.first(SjisCutLength(value, kMaxValueBytes)).toByteArray();
}

int SettingsFile::ReadInteger(QStringView section, QStringView key, int def) const {
  // The digits and marks are ASCII, the same bytes in code page 932: any other byte refuses.
  const std::optional<QByteArray> text = ReadBytes(section, key);
  if (!text) return def;
  return ParseInteger(std::string_view(text->constData(), static_cast<size_t>(text->size())),
                      kSettingsForm)
      .value_or(def);
}

void SettingsFile::WriteString(QStringView section, QStringView key, const QString& value) const {
  WriteBytes(section, key, EncodeSjis(value));
}

void SettingsFile::WriteBytes(QStringView section, QStringView key, QByteArrayView value) const {
  QByteArray content;
  if (const std::optional<Loaded> file = Load(path_)) {
    // Never put back a file that could not be read whole: its other lines would be lost.
    if (!file->usable) throw SettingsWriteError(path_);
    content = file->bytes;
  }
  // CR and LF are never the second byte of a double-byte character.
  QByteArray one_line = value.toByteArray();
  one_line.replace('\r', ' ').replace('\n', ' ');
  const QByteArray updated = WithSettingsValue(content, section, key, one_line);
  if (updated.size() > kMaxFileBytes) throw SettingsWriteError(path_);

  // QSaveFile keeps small writes in its buffer until commit() and does not report a failed
  // final flush there: flush here, so that a full disk never renames an empty file over the
  // old one.
  QSaveFile file(path_);
  if (file.open(QIODevice::WriteOnly)) {
    if (file.write(updated) != updated.size() || !file.flush() ||
        file.error() != QFileDevice::NoError || !file.commit()) {
      file.cancelWriting();
      throw SettingsWriteError(path_);
    }
    return;
  }
  if (!WriteInPlace(path_, updated)) throw SettingsWriteError(path_);
}

void SettingsFile::WriteInteger(QStringView section, QStringView key, int value) const {
  WriteString(section, key, QString::number(value));
}

}  // namespace markwick
