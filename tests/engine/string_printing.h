// Lets QCOMPARE print std::string values (as UTF-8) when a comparison fails.
#pragma once

#include <QByteArray>
#include <QtTest>
#include <string>

namespace std {
// Found by argument-dependent lookup from QTest's failure formatting.
inline char* toString(const std::string& text) {
  return QTest::toString(QByteArray::fromStdString(text));
}
}  // namespace std
