// Match records for tests: matches two engines play, written as a board writes its record.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <vector>

#include "engine/engine_fixtures.h"
#include "ui/match_record.h"

namespace markwick::testing {

// A match between two engines: the first player, 太郎, closes everything in three rounds while
// the second, 花子, hits a 19 a round; or twenty rounds of misses.
inline EnginePair& Closure(EnginePair& pair) {
  pair.Turn(pair.a, {Triple(20), Triple(19), Triple(18)});
  pair.Turn(pair.b, {Single(19), kMiss, kMiss});
  pair.Turn(pair.a, {Triple(17), Triple(16), Triple(15)});
  pair.Turn(pair.b, {Single(19), kMiss, kMiss});
  pair.Turn(pair.a, {Double(25), Single(25), Triple(20)});
  pair.Turn(pair.b, {Single(19), kMiss, kMiss});
  return pair;
}
inline EnginePair& Misses(EnginePair& pair) {
  for (int turn = 0; turn < 40; ++turn) {
    pair.Turn(turn % 2 == 0 ? pair.a : pair.b, {kMiss, kMiss, kMiss});
  }
  return pair;
}

// The bytes of one side's record of a match, as the board writes them.
inline QByteArray RecordBytes(const QString& folder, const std::vector<PlayedTurn>& turns,
                              bool own_first, const QString& first = QStringLiteral("太郎"),
                              const QString& second = QStringLiteral("花子"),
                              const QString& address = QStringLiteral("192.168.1.20")) {
  static int minute = 0;  // a file name of its own for each
  QString path;
  {
    // The record keeps its file open; Windows removes no open file.
    MatchRecord record(folder, QDateTime(QDate(2026, 11, 1), QTime(10, minute++ % 60)), address);
    for (const PlayedTurn& turn : turns)
      record.Append(turn, first, second, turn.first == own_first);
    path = record.path();
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = file.readAll();
  file.close();
  if (!QFile::remove(path)) return {};
  return bytes;
}

// The record's lines as written, without their line ends, and put together again.
inline QList<QByteArray> Lines(const QByteArray& bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  lines.removeLast();
  for (QByteArray& line : lines) line.chop(1);
  return lines;
}
inline QByteArray Joined(const QList<QByteArray>& lines, const char* end = "\r\n") {
  QByteArray bytes;
  for (const QByteArray& line : lines) bytes += line + end;
  return bytes;
}

// Writes a file whole; false when it could not.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace markwick::testing
