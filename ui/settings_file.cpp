#include "ui/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <climits>
#include <utility>
#include <vector>

#include "link/sjis_codec.h"

namespace markwick {

namespace {

// The longest value a read gives, in bytes.
constexpr qsizetype kMaxValueBytes = 2047;

const QByteArray kNewLine = QByteArrayLiteral("\r\n");

// One line of the file: its text is [begin, end), its line break (CR LF, LF or CR; none on a
// last line without one) is [end, next).
struct Line {
  qsizetype begin = 0;
  qsizetype end = 0;
  qsizetype next = 0;
};

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  QByteArrayView name;   // section or key name, blanks dropped
  QByteArrayView value;  // key value, blanks dropped
};

// CR and LF are never the second byte of a double-byte character, so lines split bytewise.
std::vector<Line> SplitLines(QByteArrayView content) {
  std::vector<Line> lines;
  qsizetype pos = 0;
  while (pos < content.size()) {
    Line line{pos, pos, pos};
    while (line.end < content.size() && content[line.end] != '\r' && content[line.end] != '\n') {
      ++line.end;
    }
    line.next = line.end;
    if (line.next < content.size() && content[line.next] == '\r') ++line.next;
    if (line.next < content.size() && content[line.next] == '\n') ++line.next;
    lines.push_back(line);
    pos = line.next;
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Blanks are below 0x40, so no second byte of a pair is taken for one.
QByteArrayView Trimmed(QByteArrayView text) {
  while (!text.isEmpty() && IsBlank(text.front())) text = text.sliced(1);
  while (!text.isEmpty() && IsBlank(text.back())) text.chop(1);
  return text;
}

ParsedLine Parse(QByteArrayView text) {
  text = Trimmed(text);
  if (text.isEmpty() || text.front() == ';') return {};
  if (text.front() == '[') {
    // "]" (0x5D) can be the second byte of a pair: step by characters.
    for (qsizetype pos = 1; pos < text.size(); pos += SjisCharLength(text, pos)) {
      if (text[pos] == ']') {
        return {LineKind::kSection, Trimmed(text.sliced(1, pos - 1)), {}};
      }
    }
    return {};
  }
  // "=" (0x3D) is never the second byte of a pair.
  const qsizetype eq = text.indexOf('=');
  if (eq < 0) return {};
  return {LineKind::kKey, Trimmed(text.first(eq)), Trimmed(text.sliced(eq + 1))};
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

// Where a key stands in the file, by line index; -1 for what is missing.
struct Location {
  int section = -1;   // the first section of the name
  int key = -1;       // the key's first line in that section
  int last_key = -1;  // the section's last key line
  ParsedLine key_line;
};

Location Locate(QByteArrayView content, const std::vector<Line>& lines, QStringView section,
                QStringView key) {
  Location at;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    const Line& line = lines[i];
    const ParsedLine parsed = Parse(content.sliced(line.begin, line.end - line.begin));
    if (parsed.kind == LineKind::kSection) {
      if (at.section >= 0) break;  // the section ends at the next one
      if (SameName(parsed.name, section)) at.section = i;
    } else if (parsed.kind == LineKind::kKey && at.section >= 0) {
      at.last_key = i;
      if (at.key < 0 && SameName(parsed.name, key)) {
        at.key = i;
        at.key_line = parsed;
      }
    }
  }
  return at;
}

QByteArray ReadFile(const QString& path, bool* ok) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *ok = false;
    return {};
  }
  QByteArray content = file.readAll();
  *ok = file.error() == QFileDevice::NoError;
  return content;
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
  bool ok = false;
  const QByteArray content = ReadFile(path_, &ok);
  if (!ok) return def;
  const std::optional<QByteArray> value = FindSettingsValue(content, section, key);
  if (!value) return def;
  return DecodeSjis(QByteArrayView(*value).first(SjisCutLength(*value, kMaxValueBytes)));
}

int SettingsFile::ReadInteger(QStringView section, QStringView key, int def) const {
  return ParseSettingsInteger(ReadString(section, key, QString())).value_or(def);
}

void SettingsFile::WriteString(QStringView section, QStringView key, const QString& value) const {
  QByteArray content;
  if (QFileInfo::exists(path_)) {
    // Never put back a file that could not be read whole: its other lines would be lost.
    bool ok = false;
    content = ReadFile(path_, &ok);
    if (!ok) throw SettingsWriteError(path_);
  }
  QString one_line = value;
  one_line.replace(u'\r', u' ').replace(u'\n', u' ');
  const QByteArray updated = WithSettingsValue(content, section, key, EncodeSjis(one_line));

  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly) || file.write(updated) != updated.size() || !file.commit()) {
    throw SettingsWriteError(path_);
  }
}

void SettingsFile::WriteInteger(QStringView section, QStringView key, int value) const {
  WriteString(section, key, QString::number(value));
}

std::optional<QByteArray> FindSettingsValue(QByteArrayView content, QStringView section,
                                            QStringView key) {
  const std::vector<Line> lines = SplitLines(content);
  const Location at = Locate(content, lines, section, key);
  if (at.key < 0) return std::nullopt;
  return at.key_line.value.toByteArray();
}

QByteArray WithSettingsValue(QByteArrayView content, QStringView section, QStringView key,
                             QByteArrayView value) {
  const std::vector<Line> lines = SplitLines(content);
  const Location at = Locate(content, lines, section, key);
  QByteArray key_line = EncodeSjis(key);
  key_line.append('=').append(value);

  QByteArray result(content.data(), content.size());
  if (at.key >= 0) {
    // In place: the line's own line break stays.
    const Line& line = lines[at.key];
    return result.replace(line.begin, line.end - line.begin, key_line);
  }
  if (at.section >= 0) {
    const Line& anchor = lines[at.last_key >= 0 ? at.last_key : at.section];
    QByteArray insert = key_line + kNewLine;
    if (anchor.next == anchor.end) insert.prepend(kNewLine);  // last line of a file without one
    return result.insert(anchor.next, insert);
  }
  if (!result.isEmpty() && !result.endsWith('\n') && !result.endsWith('\r')) result += kNewLine;
  return result + '[' + EncodeSjis(section) + ']' + kNewLine + key_line + kNewLine;
}

std::optional<int> ParseSettingsInteger(QStringView text) {
  qsizetype pos = 0;
  bool negative = false;
  int base = 10;
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    pos = 2;
    base = 16;
  } else {
    while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t')) ++pos;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
      negative = text[pos] == u'-';
      ++pos;
    }
    if (pos < text.size() && text[pos] == u'$') {
      base = 16;
      ++pos;
    }
  }
  if (pos == text.size()) return std::nullopt;
  // Magnitude up to 2^31, so that INT_MIN is still in reach.
  constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
  long long magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const char16_t c = text[pos].unicode();
    int digit = -1;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    }
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + digit;
    if (magnitude > kLimit) return std::nullopt;
  }
  if (negative) return static_cast<int>(-magnitude);
  if (magnitude > INT_MAX) return std::nullopt;
  return static_cast<int>(magnitude);
}

}  // namespace markwick
