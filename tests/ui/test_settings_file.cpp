#ifndef _WIN32
#include <unistd.h>
#endif
#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#endif

#include <QtTest>
#include <climits>

#include "ui/settings_file.h"

using markwick::SettingsFile;
using markwick::SettingsWriteError;

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll();
}

// Makes a file or folder read-only or writable again: for root as its own bind mount (made by
// the caller), for anyone else through its permissions.
bool SetReadOnly(const QString& path, bool read_only) {
#ifdef __linux__
  if (geteuid() == 0) {
    const unsigned long flags = MS_REMOUNT | MS_BIND | (read_only ? MS_RDONLY : 0);
    return mount(nullptr, QFile::encodeName(path).constData(), nullptr, flags, nullptr) == 0;
  }
#endif
  QFile::Permissions permissions = QFile::ReadOwner;
  if (!read_only) permissions |= QFile::WriteOwner;
  if (QFileInfo(path).isDir()) permissions |= QFile::ExeOwner;
  return QFile::setPermissions(path, permissions);
}

}  // namespace

class SettingsFileTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QString path_;

  // The five keys in the order the start dialog saves them.
  void SaveAll(const SettingsFile& file, const QString& address, const QString& first,
               const QString& second, int top, int left) {
    file.WriteString(u"Parameter", u"IPAddress", address);
    file.WriteString(u"Parameter", u"FName", first);
    file.WriteString(u"Parameter", u"SName", second);
    file.WriteInteger(u"Form", u"TOP", top);
    file.WriteInteger(u"Form", u"LEFT", left);
  }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("Markwick.ini"));
    QFile::remove(path_);
  }

  // A file made from nothing holds the two sections and five keys in saving order, CR LF
  // line breaks, Japanese names as code page 932 bytes, integers in decimal.
  void createdFileHoldsTheFiveKeysInOrder() {
    const SettingsFile file(path_);
    SaveAll(file, "192.168.0.2", QStringLiteral("山田太郎"), QStringLiteral("ソ表"), 140, -20);
    QCOMPARE(ReadBytes(path_), QByteArray("[Parameter]\r\n"
                                          "IPAddress=192.168.0.2\r\n"
                                          "FName=\x8e\x52\x93\x63\x91\xbe\x98\x59\r\n"
                                          "SName=\x83\x5c\x95\x5c\r\n"
                                          "[Form]\r\n"
                                          "TOP=140\r\n"
                                          "LEFT=-20\r\n"));
    QCOMPARE(file.ReadString(u"Parameter", u"FName", "Player1"), QStringLiteral("山田太郎"));
    QCOMPARE(file.ReadString(u"Parameter", u"SName", "Player2"), QStringLiteral("ソ表"));
    QCOMPARE(file.ReadInteger(u"Form", u"LEFT", 511), -20);
    // Saving again with the same values changes no byte: keys are replaced, not added.
    const QByteArray first = ReadBytes(path_);
    SaveAll(file, "192.168.0.2", QStringLiteral("山田太郎"), QStringLiteral("ソ表"), 140, -20);
    QCOMPARE(ReadBytes(path_), first);
    // Nothing but the file is left in the folder (no temporary file).
    QCOMPARE(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"Markwick.ini"});
  }

  // Existing keys are replaced in their lines (keeping the line's own line break), missing keys
  // go after the last key line of their section, and every other byte stays as it was.
  void writingKeepsEverythingElseByteForByte() {
    WriteBytes(path_,
               "; Markwick settings\n"
               "IPAddress=before any section\r\n"
               "[Other]\r\n"
               "IPAddress=keep\r\n"
               "Bytes=\x80\xa0\xfd\xff\x81,\x1a\x1c\x7f \r\n"
               "\r\n"
               "[parameter]  ; players\n"
               "  fname = Old Name  \n"
               "Extra=1\n"
               "; end of parameter\n"
               "\n"
               "[Form]\r"
               "top=5\r"
               "Left = 9");
    const SettingsFile file(path_);
    SaveAll(file, "10.0.0.1", QStringLiteral("新しい名前"), "P2", 140, 511);
    QCOMPARE(ReadBytes(path_), QByteArray("; Markwick settings\n"
                                          "IPAddress=before any section\r\n"
                                          "[Other]\r\n"
                                          "IPAddress=keep\r\n"
                                          "Bytes=\x80\xa0\xfd\xff\x81,\x1a\x1c\x7f \r\n"
                                          "\r\n"
                                          "[parameter]  ; players\n"
                                          "FName=\x90\x56\x82\xb5\x82\xa2\x96\xbc\x91\x4f\n"
                                          "Extra=1\n"
                                          "IPAddress=10.0.0.1\r\n"
                                          "SName=P2\r\n"
                                          "; end of parameter\n"
                                          "\n"
                                          "[Form]\r"
                                          "TOP=140\r"
                                          "LEFT=511"));
    QCOMPARE(file.ReadString(u"Other", u"IPAddress", "x"), QStringLiteral("keep"));
  }

  // A missing key in a section with no keys goes right after the section line; a file without
  // a final line break gets one before anything is added after its last line.
  void addingAfterLinesWithoutLineBreak_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("empty section")
        << QByteArray("[Form]\r\n; c\r\n") << QByteArray("[Form]\r\nTOP=3\r\n; c\r\n");
    QTest::newRow("section line last") << QByteArray("[Form]") << QByteArray("[Form]\r\nTOP=3\r\n");
    QTest::newRow("key line last")
        << QByteArray("[Form]\r\nLEFT=1") << QByteArray("[Form]\r\nLEFT=1\r\nTOP=3\r\n");
    QTest::newRow("other section last")
        << QByteArray("[X]\r\na=1") << QByteArray("[X]\r\na=1\r\n[Form]\r\nTOP=3\r\n");
    QTest::newRow("LF file") << QByteArray("[X]\n") << QByteArray("[X]\n[Form]\r\nTOP=3\r\n");
    QTest::newRow("empty file") << QByteArray("") << QByteArray("[Form]\r\nTOP=3\r\n");
    // Only the first section of a name counts.
    QTest::newRow("second section of the name")
        << QByteArray("[Form]\r\nLEFT=1\r\n[X]\r\n[form]\r\nTOP=9\r\n")
        << QByteArray("[Form]\r\nLEFT=1\r\nTOP=3\r\n[X]\r\n[form]\r\nTOP=9\r\n");
    // A commented-out key is not the key.
    QTest::newRow("comment") << QByteArray("[Form]\r\n;TOP=9\r\n")
                             << QByteArray("[Form]\r\nTOP=3\r\n;TOP=9\r\n");
  }
  void addingAfterLinesWithoutLineBreak() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    WriteBytes(path_, before);
    SettingsFile(path_).WriteInteger(u"Form", u"TOP", 3);
    QCOMPARE(ReadBytes(path_), after);
  }

  // Names are matched without regard to ASCII case, and only ASCII: full-width letters and the
  // second bytes of double-byte characters are not folded.
  void lookupIgnoresAsciiCase_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("top");
    QTest::newRow("top") << QByteArray("[Form]\r\ntop=7\r\n") << 7;
    QTest::newRow("FORM, ToP, blanks") << QByteArray("[ FORM ]\r\n\tToP = 7\r\n") << 7;
    // The value is all that follows "=": a trailing blank makes it no number.
    QTest::newRow("trailing blank") << QByteArray("[Form]\r\nTOP=7 \r\n") << 140;
    QTest::newRow("before any section") << QByteArray("TOP=7\r\n[Form]\r\n") << 140;
    QTest::newRow("in another section") << QByteArray("[Form2]\r\nTOP=7\r\n") << 140;
    QTest::newRow("first of two lines") << QByteArray("[Form]\r\nTOP=7\r\nTOP=8\r\n") << 7;
    QTest::newRow("CR line breaks") << QByteArray("[Form]\rTOP=7\rLEFT=1") << 7;
  }
  void lookupIgnoresAsciiCase() {
    QFETCH(QByteArray, content);
    QFETCH(int, top);
    WriteBytes(path_, content);
    QCOMPARE(SettingsFile(path_).ReadInteger(u"Form", u"TOP", 140), top);
  }

  // "ヂ" (83 61) and "ア" (83 41) differ only by ASCII case in their second bytes.
  void doubleByteNamesAreNotFolded() {
    WriteBytes(path_, "[\x81\x5d]\r\n\x83\x61=1\r\n");  // section "‐" ends in 5D like "]"
    const SettingsFile file(path_);
    QCOMPARE(file.ReadString(u"‐", u"ヂ", "default"), QStringLiteral("1"));
    QCOMPARE(file.ReadString(u"‐", u"ア", "default"), QStringLiteral("default"));
    // Full-width letters have case too, but only ASCII letters are folded.
    WriteBytes(path_, "[Form]\r\n\x82\x94\x82\x8f\x82\x90=1\r\n");  // "ｔｏｐ"
    QCOMPARE(file.ReadString(u"Form", u"ｔｏｐ", "default"), QStringLiteral("1"));
    QCOMPARE(file.ReadString(u"Form", u"ＴＯＰ", "default"), QStringLiteral("default"));
  }

  // A value is read in the settings form (link/integer_text.h, whose own tables try every
  // form), and one it refuses gives the default.
  void integerForms_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << QByteArray("520") << 520;
    QTest::newRow("0x20") << QByteArray("0x20") << 32;
    QTest::newRow("-$10") << QByteArray("-$10") << -16;
    QTest::newRow("leading tab") << QByteArray("\t7") << 7;
    QTest::newRow("x20, a Turn item only") << QByteArray("x20") << 140;
    QTest::newRow("above int") << QByteArray("2147483648") << 140;
  }
  void integerForms() {
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    WriteBytes(path_, "[Form]\r\nTOP=" + text + "\r\n");
    QCOMPARE(SettingsFile(path_).ReadInteger(u"Form", u"TOP", 140), value);
  }

  // A text value gives at most 2047 bytes, never half of a double-byte character.
  void longValuesAreCutAt2047Bytes_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("read");
    QTest::newRow("ascii") << QByteArray(3000, 'a') << QString(2047, u'a');
    QTest::newRow("exactly 2047") << QByteArray(2047, 'a') << QString(2047, u'a');
    QTest::newRow("pair straddling byte 2047")
        << QByteArray(2046, 'a') + "\x8e\x8e" + "b" << QString(2046, u'a');
    QTest::newRow("pair ending at byte 2047")
        << QByteArray(2045, 'a') + "\x8e\x8e" + "b" << QString(2045, u'a') + QStringLiteral("試");
    QTest::newRow("second bytes in lead range")
        << QByteArray(2046, 'b').prepend("\x81\x81") << QStringLiteral("＝") + QString(2045, u'b');
  }
  void longValuesAreCutAt2047Bytes() {
    QFETCH(QByteArray, value);
    QFETCH(QString, read);
    WriteBytes(path_, "[Parameter]\r\nFName=" + value + "\r\n");
    QCOMPARE(SettingsFile(path_).ReadString(u"Parameter", u"FName", "Player1"), read);
  }

  // A long name written by the program is kept whole in the file and read back cut.
  void longNameWrittenWholeReadBackCut() {
    const SettingsFile file(path_);
    const QString name = QString(1000, u'名');  // 2000 bytes
    file.WriteString(u"Parameter", u"FName", name + name);
    QCOMPARE(ReadBytes(path_).size(), qsizetype(strlen("[Parameter]\r\nFName=\r\n") + 4000));
    QCOMPARE(file.ReadString(u"Parameter", u"FName", "Player1"), name + QString(23, u'名'));
  }

  // A key present with nothing after "=" gives an empty text, and blanks after "=" are the
  // text; only a missing key, section or file gives the default.
  void emptyValueIsNotMissing() {
    WriteBytes(path_, "[Parameter]\r\nFName=\r\nSName=   \r\n[Form]\r\nTOP=\r\n");
    const SettingsFile file(path_);
    QCOMPARE(file.ReadString(u"Parameter", u"FName", "Player1"), QString(""));
    QCOMPARE(file.ReadString(u"Parameter", u"SName", "Player2"), QString("   "));
    QCOMPARE(file.ReadString(u"Parameter", u"IPAddress", "xxx.XXX.xxx.XXX"),
             QStringLiteral("xxx.XXX.xxx.XXX"));
    QCOMPARE(file.ReadString(u"Nothing", u"FName", "Player1"), QStringLiteral("Player1"));
    QCOMPARE(SettingsFile(path_ + "2").ReadString(u"Parameter", u"FName", "Player1"),
             QStringLiteral("Player1"));
    QCOMPARE(file.ReadInteger(u"Form", u"TOP", 140), 140);
  }

  // Only a regular file (or a link to one) is read, and none over 1 MiB: anything else gives
  // the defaults without blocking, and a save refuses to replace it.
  void onlySaneRegularFilesAreUsed_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("top");
#ifndef _WIN32  // QFile::link makes a shortcut file on Windows, not a link
    QTest::newRow("link to a file") << "link" << 7;
#endif
    QTest::newRow("exactly 1 MiB") << "1MiB" << 7;
    QTest::newRow("over 1 MiB") << "big" << 140;
#ifdef __linux__
    QTest::newRow("link to /dev/zero") << "zero" << 140;
    QTest::newRow("fifo") << "fifo" << 140;
#endif
  }
  void onlySaneRegularFilesAreUsed() {
    QFETCH(QString, kind);
    QFETCH(int, top);
    const QByteArray keys = "[Form]\r\nTOP=7\r\n";
    const QString target = dir_.filePath("target.ini");
    if (kind == "link") {
      WriteBytes(target, keys);
      QVERIFY(QFile::link(target, path_));
    } else if (kind == "1MiB" || kind == "big") {
      const qsizetype size = (1 << 20) + (kind == "big" ? 1 : 0);
      WriteBytes(path_, keys + QByteArray(size - keys.size(), '\n'));
    } else if (kind == "zero") {
      QVERIFY(QFile::link("/dev/zero", path_));
    } else {
#ifdef __linux__
      QCOMPARE(mkfifo(QFile::encodeName(path_).constData(), 0600), 0);
#endif
    }
    const QFileInfo before(path_);
    const QByteArray bytes = before.isFile() ? ReadBytes(path_) : QByteArray();
    const SettingsFile file(path_);
    QCOMPARE(file.ReadInteger(u"Form", u"TOP", 140), top);

    const bool writable = top == 7;
    bool thrown = false;
    try {
      file.WriteInteger(u"Form", u"TOP", 8);
    } catch (const SettingsWriteError&) {
      thrown = true;
    }
    QCOMPARE(thrown, !writable);
    const QFileInfo after(path_);
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(after.isFile(), before.isFile());
    if (!writable && after.isFile()) QCOMPARE(ReadBytes(path_), bytes);
    if (writable) QCOMPARE(file.ReadInteger(u"Form", u"TOP", 140), 8);
  }

  // A full disk: the failed write is reported and the old file stays byte for byte. The disk
  // is a tiny tmpfs in a mount namespace of this test's own, so only root can make it (CTest
  // runs the test as root, in a user namespace for anyone else).
  void fullDiskKeepsTheOldFile() {
#ifdef __linux__
    QVERIFY2(geteuid() == 0, "mounting a tmpfs needs root: run it through CTest");
    QVERIFY(unshare(CLONE_NEWNS) == 0);
    QVERIFY(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    QTemporaryDir mount_point;
    const QByteArray where = QFile::encodeName(mount_point.path());
    QVERIFY(mount("tmpfs", where.constData(), "tmpfs", 0, "size=32k") == 0);
    const QString path = mount_point.filePath("Markwick.ini");
    const SettingsFile file(path);
    file.WriteString(u"Parameter", u"FName", QString(300, u'a'));
    const QByteArray old = ReadBytes(path);
    {
      QFile filler(mount_point.filePath("filler"));
      QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
      while (filler.write(QByteArray(512, 'x')) == 512) {
      }
    }
    QVERIFY_THROWS_EXCEPTION(SettingsWriteError,
                             file.WriteString(u"Parameter", u"FName", QString(400, u'b')));
    QCOMPARE(ReadBytes(path), old);
    QCOMPARE(QDir(mount_point.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"filler", "Markwick.ini"}));
    QVERIFY(umount(where.constData()) == 0);
#else
    QSKIP("a full disk is made with a Linux mount namespace");
#endif
  }

  // A value is one line: line breaks in it cannot add keys or sections to the file.
  void lineBreaksInValueCannotAddLines() {
    const SettingsFile file(path_);
    file.WriteString(u"Parameter", u"FName", "a\r\n[Form]\nTOP=1");
    QCOMPARE(ReadBytes(path_), QByteArray("[Parameter]\r\nFName=a  [Form] TOP=1\r\n"));
    QCOMPARE(file.ReadInteger(u"Form", u"TOP", 140), 140);
  }

  // A write that fails raises the error with the file's full path and leaves nothing behind.
  void unwritableFileGivesErrorWithFullPath_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("blocker");  // what is created first: "dir:x" or "file:x"
    const auto row = [](const char* name, const QString& relative, const QString& blocker) {
      QTest::newRow(name) << relative << blocker;
    };
    row("directory at the path", "Markwick.ini", "dir:Markwick.ini");
    row("folder is a file", "plain/Markwick.ini", "file:plain");
    row("folder missing", "missing/Markwick.ini", "");
  }
  void unwritableFileGivesErrorWithFullPath() {
    QFETCH(QString, relative);
    QFETCH(QString, blocker);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (blocker.startsWith("dir:")) QVERIFY(QDir(dir.path()).mkdir(blocker.mid(4)));
    if (blocker.startsWith("file:")) WriteBytes(dir.filePath(blocker.mid(5)), "x");
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    // A relative path is reported as the full path.
    const QString old_cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const SettingsFile file(relative);
    QString message;
    try {
      file.WriteString(u"Parameter", u"IPAddress", "1.2.3.4");
    } catch (const SettingsWriteError& error) {
      message = QString::fromUtf8(error.what());
    }
    QVERIFY(QDir::setCurrent(old_cwd));
    QCOMPARE(message, QDir::toNativeSeparators(dir.filePath(relative)) +
                          QStringLiteral(" に書き込めません"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    // Reading the same path gives the defaults.
    QCOMPARE(SettingsFile(dir.filePath(relative)).ReadInteger(u"Form", u"TOP", 140), 140);
  }

  // Read-only permissions are honoured and the old file stays whole; in a read-only folder a
  // writable file is rewritten in place. Root, whom permissions do not bind, gets read-only
  // bind mounts instead, in a mount namespace of this test's own.
  void readOnlyFileOrFolder() {
    const SettingsFile file(path_);
    file.WriteString(u"Parameter", u"FName", "old");
    const QByteArray old = ReadBytes(path_);
#ifdef __linux__
    if (geteuid() == 0) {
      QVERIFY(unshare(CLONE_NEWNS) == 0);
      QVERIFY(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
      for (const QString& path : {dir_.path(), path_}) {
        const QByteArray where = QFile::encodeName(path);
        QVERIFY(mount(where.constData(), where.constData(), nullptr, MS_BIND, nullptr) == 0);
      }
    }
#endif
    QVERIFY(SetReadOnly(path_, true));
    QVERIFY_THROWS_EXCEPTION(SettingsWriteError, file.WriteString(u"Parameter", u"FName", "new"));
    QCOMPARE(ReadBytes(path_), old);
#ifndef _WIN32  // a Windows folder has no write permission of its own to take away
    QVERIFY(SetReadOnly(dir_.path(), true));
    QVERIFY_THROWS_EXCEPTION(SettingsWriteError, file.WriteString(u"Parameter", u"FName", "new"));
    QCOMPARE(ReadBytes(path_), old);
    QVERIFY(SetReadOnly(path_, false));
    const auto entries = [this] { return QDir(dir_.path()).entryList(QDir::AllEntries); };
    const QStringList before = entries();
    file.WriteString(u"Parameter", u"FName", "new");
    QCOMPARE(ReadBytes(path_), QByteArray(old).replace("=old", "=new"));
    QCOMPARE(entries(), before);
    QVERIFY(SetReadOnly(dir_.path(), false));
#endif
    QVERIFY(SetReadOnly(path_, false));
#ifdef __linux__
    if (geteuid() == 0) {
      QVERIFY(umount(QFile::encodeName(path_).constData()) == 0);
      QVERIFY(umount(QFile::encodeName(dir_.path()).constData()) == 0);
    }
#endif
  }

  // Replacing the file through a temporary one keeps its permissions.
  void writingKeepsThePermissions() {
#ifdef _WIN32
    QSKIP("Windows files have no owner and group modes, only a read-only attribute");
#endif
    const SettingsFile file(path_);
    file.WriteString(u"Parameter", u"FName", "old");
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(path_, mode));
    file.WriteString(u"Parameter", u"FName", "new");
    QCOMPARE(QFile::permissions(path_) & ~(QFile::ReadUser | QFile::WriteUser), mode);
  }

  void pathForExecutable_data() {
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("ini");
    const auto row = [](const char* name, const QString& exe, const QString& ini) {
      QTest::newRow(name) << exe << ini;
    };
    row("no extension", "/opt/markwick/Markwick", "/opt/markwick/Markwick.ini");
    row("extension", "/opt/markwick/Markwick.exe", "/opt/markwick/Markwick.ini");
    row("dot in a folder", "/opt/mark.wick/Markwick", "/opt/mark.wick/Markwick.ini");
    row("last extension only", "/a/markwick.tar.gz", "/a/markwick.tar.ini");
    row("trailing dot", "/a/markwick.", "/a/markwick.ini");
    row("hidden file", "/a/.markwick", "/a/.markwick.ini");
    row("bare name", "Markwick", "Markwick.ini");
    row("Japanese name", "/ダーツ/得点.bin", "/ダーツ/得点.ini");
  }
  void pathForExecutable() {
    QFETCH(QString, exe);
    QFETCH(QString, ini);
    QCOMPARE(SettingsFile::PathForExecutable(exe), ini);
    QCOMPARE(SettingsFile(ini).path(), ini);
  }
};

QTEST_APPLESS_MAIN(SettingsFileTest)
#include "test_settings_file.moc"
