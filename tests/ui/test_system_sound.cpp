// Markwick's sound files and the system's player on Linux: the files as the player reads them,
// nothing of the sound stack loaded before the first sound, then real playback on a PulseAudio
// server of the test's own whose only sink is a null sink.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/system_sound.h"
#include "ui/wav_file.h"

using markwick::Sound;
using markwick::SystemSound;

namespace {

bool SoundStackLoaded() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly)) return true;
  return maps.readAll().contains("libpulse");
}

QByteArray Riff(const QByteArray& chunks) {
  QByteArray file = "RIFF" + QByteArray(4, '\0') + "WAVE" + chunks;
  return file;
}

QByteArray Chunk(const QByteArray& tag, const QByteArray& body) {
  QByteArray chunk = tag;
  const quint32 length = static_cast<quint32>(body.size());
  for (int i = 0; i < 4; ++i) chunk += static_cast<char>((length >> (8 * i)) & 0xFF);
  return chunk + body + (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}

// fmt of PCM: format, channels, rate, byte rate, block align, bits.
QByteArray Format(quint16 format, quint16 channels, quint32 rate, quint16 bits) {
  QByteArray body;
  const auto put = [&](quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) body += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put(format, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * channels * bits / 8, 4);
  put(channels * bits / 8, 2);
  put(bits, 2);
  return Chunk("fmt ", body);
}

}  // namespace

class SystemSoundTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(!SoundStackLoaded());
    // A server of the test's own, found through PULSE_SERVER only: nothing of the user's.
    const QString folder = runtime_.path();
    socket_ = folder + QStringLiteral("/native");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH"}) {
      environment.insert(QString::fromLatin1(name), folder);
    }
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    server_.setProcessEnvironment(environment);
    server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_.start(QStringLiteral("pulseaudio"),
                  {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                   "--use-pid-file=no", "--log-target=stderr", "--log-level=error", "-L",
                   "module-null-sink sink_name=markwick_test", "-L",
                   "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    QVERIFY2(server_.waitForStarted(), "pulseaudio (tools/install-deps installs it)");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket_), 10000);
    qputenv("PULSE_SERVER", ("unix:" + socket_).toUtf8());
  }

  void cleanupTestCase() {
    server_.terminate();
    server_.waitForFinished();
  }

  // Every sound is built into the program as a WAV file the players take: 16 kHz mono 16-bit
  // PCM, at least a twentieth of a second and at most two seconds long.
  void filesAsThePlayerReadsThem() {
    for (int kind = 0; kind < markwick::kSoundKinds; ++kind) {
      const std::optional<markwick::WavSamples> wav =
          markwick::ReadWav(SystemSound::File(static_cast<Sound>(kind)));
      QVERIFY2(wav.has_value(), qPrintable(QString::number(kind)));
      QCOMPARE(wav->rate, 16000u);
      QCOMPARE(wav->channels, 1);
      QCOMPARE(wav->bits, 16);
      const double seconds = wav->data.size() / 32000.0;
      QVERIFY2(seconds >= 0.05 && seconds <= 2, qPrintable(QString::number(kind)));
    }
  }

  void malformedFiles_data() {
    QTest::addColumn<QByteArray>("file");
    const QByteArray fmt = Format(1, 1, 16000, 16);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not RIFF") << QByteArray("RIFX") + Riff(fmt).mid(4);
    QTest::newRow("no fmt before data") << Riff(Chunk("data", "ab") + fmt);
    QTest::newRow("not PCM") << Riff(Format(3, 1, 16000, 32) + Chunk("data", "abcd"));
    QTest::newRow("24 bits") << Riff(Format(1, 1, 16000, 24) + Chunk("data", "abc"));
    QTest::newRow("no channels") << Riff(Format(1, 0, 16000, 16) + Chunk("data", "ab"));
    QTest::newRow("data longer than the file") << Riff(fmt + Chunk("data", "abcd")).chopped(2);
    QTest::newRow("no data") << Riff(fmt + Chunk("LIST", "abc"));
  }

  // A file that is no PCM WAV is not played; chunks of odd length are padded.
  void malformedFiles() {
    QFETCH(QByteArray, file);
    QVERIFY(!markwick::ReadWav(file).has_value());
    const std::optional<markwick::WavSamples> padded = markwick::ReadWav(
        Riff(Chunk("LIST", "abc") + Format(1, 2, 8000, 8) + Chunk("data", "xyz")));
    QVERIFY(padded && padded->data == "xyz" && padded->channels == 2 && padded->rate == 8000);
  }

  // The player loads PulseAudio's library with the first sound, not before, and plays the
  // sounds one after another to their end on the null sink.
  void playsOnTheSystemsPlayer() {
    SystemSound sound;
    QVERIFY(!SoundStackLoaded());
    sound.Play(Sound::ClosingMark);
    sound.Play(Sound::HatTrick);
    QTRY_COMPARE_WITH_TIMEOUT(sound.played() + sound.failed(), 2, 10000);
    QCOMPARE(sound.failed(), 0);
    QVERIFY(SoundStackLoaded());
  }

  // Without a server the sound is left out, silently.
  void noServerPlaysNothing() {
    qputenv("PULSE_SERVER", "unix:/nonexistent/markwick");
    SystemSound sound;
    sound.Play(Sound::Miss);
    QTRY_COMPARE_WITH_TIMEOUT(sound.failed(), 1, 10000);
    QCOMPARE(sound.played(), 0);
    qputenv("PULSE_SERVER", ("unix:" + socket_).toUtf8());
  }

 private:
  QTemporaryDir runtime_;
  QString socket_;
  QProcess server_;
};

QTEST_GUILESS_MAIN(SystemSoundTest)
#include "test_system_sound.moc"
