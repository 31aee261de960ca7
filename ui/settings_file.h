// The settings file: an INI text file in code page 932 (where it lies: settings_location.h).
//
//   section line = "[" name "]"          key line = name "=" value
//
// Names are matched without regard to ASCII letter case and blanks around them are dropped; a
// value is everything after "=" up to the line break, as it stands; lines starting with ";"
// are comments. Only the first section of a name
// counts, and in it the first line of a key. Every other byte of the file (comments, blank
// lines, other sections and keys, their line endings) is kept as it is when a key is written;
// lines the program adds end in CR LF.
//
// Nothing is cached: each read opens and parses the file afresh, each write reads it, changes
// one line and puts the whole file back through a temporary file and an atomic rename, so a
// failed write (a full disk included) leaves the old file whole. In a folder where no file can
// be made, a file that can be written is rewritten in place instead (not atomically). Only a
// regular file of at most 1 MiB is used: anything else reads as missing and is never
// replaced. Reading and writing take time linear in the file's size.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>
#include <stdexcept>

namespace markwick {

// A key could not be written; what() is the UTF-8 text "<full path> に書き込めません".
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const QString& path);
};

class SettingsFile {
 public:
  explicit SettingsFile(QString path);

  // The executable's path with its extension replaced by ".ini" (".ini" appended when the file
  // name has none; a leading dot does not start an extension).
  static QString PathForExecutable(const QString& exe_path);

  QString path() const;

  // The key's value, at most 2047 bytes of it (cut between characters), or def when the file,
  // the section or the key is missing. A key present with nothing after "=" gives "".
  QString ReadString(QStringView section, QStringView key, const QString& def) const;
  // The key's value as an integer in the settings form (kSettingsForm of link/integer_text.h),
  // or def when it writes none.
  int ReadInteger(QStringView section, QStringView key, int def) const;
  // The code page 932 bytes that ReadString decodes, or nullopt where it gives def.
  std::optional<QByteArray> ReadBytes(QStringView section, QStringView key) const;

  // Replaces the key's line, or adds the key at the end of its section (after its last key
  // line), or adds the section at the end of the file, or creates the file. Line breaks in the
  // value are written as blanks. Throws SettingsWriteError when the file cannot be read back or
  // written; the file is then unchanged.
  void WriteString(QStringView section, QStringView key, const QString& value) const;
  // The same with the value's code page 932 bytes as they are.
  void WriteBytes(QStringView section, QStringView key, QByteArrayView value) const;
  // Writes the value in decimal.
  void WriteInteger(QStringView section, QStringView key, int value) const;

 private:
  QString path_;
};

}  // namespace markwick
