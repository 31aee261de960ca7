#include <QtTest>

#include "ui/settings_location.h"

using markwick::CanWrite;
using markwick::ChooseSettingsPath;
using markwick::PlayerConfigFolder;

class SettingsLocationTest : public QObject {
  Q_OBJECT
 private slots:
  // Beside the executable when its folder or a settings file there can be written, else in the
  // configuration folder under the same name.
  void choosesBesideOrConfigFolder_data() {
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("config");
    QTest::addColumn<bool>("folder_writable");
    QTest::addColumn<bool>("file_writable");
    QTest::addColumn<QString>("expected");
    const QString exe = "/usr/bin/Markwick";
    const QString config = "/home/p/.config/Markwick";
    QTest::newRow("writable folder") << exe << config << true << false << "/usr/bin/Markwick.ini";
    QTest::newRow("read-only folder")
        << exe << config << false << false << "/home/p/.config/Markwick/Markwick.ini";
    QTest::newRow("read-only folder, writable file")
        << exe << config << false << true << "/usr/bin/Markwick.ini";
    QTest::newRow("read-only folder, no configuration folder")
        << exe << "" << false << false << "/usr/bin/Markwick.ini";
    QTest::newRow("Windows program folder") << "C:/Program Files/Markwick/Markwick.exe"
                                            << "C:/Users/p/AppData/Local/Markwick" << false << false
                                            << "C:/Users/p/AppData/Local/Markwick/Markwick.ini";
  }
  void choosesBesideOrConfigFolder() {
    QFETCH(QString, exe);
    QFETCH(QString, config);
    QFETCH(bool, folder_writable);
    QFETCH(bool, file_writable);
    QFETCH(QString, expected);
    const QString folder = QFileInfo(exe).path();
    const auto can_write = [&](const QString& path) {
      if (path == folder) return folder_writable;
      return path == folder + "/Markwick.ini" && file_writable;
    };
    QCOMPARE(ChooseSettingsPath(exe, config, can_write), expected);
  }

  // The configuration folder: $XDG_CONFIG_HOME/<name>, or ~/.config/<name> without it.
  void configFolderFollowsXdgConfigHome() {
#ifdef _WIN32
    QSKIP("Windows names the folder itself, not through the environment");
#else
    QTemporaryDir home;
    QCoreApplication::setApplicationName(QStringLiteral("Markwick"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("xdg")));
    QCOMPARE(PlayerConfigFolder(), home.filePath("xdg/Markwick"));
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(PlayerConfigFolder(), home.filePath(".config/Markwick"));
#endif
  }

  // The real test changes nothing: a writable folder is left as it was, an existing file keeps
  // its bytes, and a missing file is not created.
  void canWriteChangesNothing() {
    QTemporaryDir dir;
    const QString file = dir.filePath("Markwick.ini");
    QVERIFY(CanWrite(dir.path()));
    QVERIFY(!CanWrite(file));
    QVERIFY(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QFile existing(file);
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("[Form]\r\n") == 8);
    existing.close();
    QVERIFY(CanWrite(file));
    QCOMPARE(QFileInfo(file).size(), 8);
    QVERIFY(!CanWrite(dir.filePath("missing/Markwick.ini")));
  }
};

QTEST_GUILESS_MAIN(SettingsLocationTest)
#include "test_settings_location.moc"
