// Texts between the engine (UTF-8 std::string) and the widgets (QString).
#pragma once

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

namespace markwick {

inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(QStringView text) { return text.toUtf8().toStdString(); }

}  // namespace markwick
