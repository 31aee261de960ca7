#include "link/resync_message.h"

namespace markwick {

namespace {

constexpr QByteArrayView kMark = "MWSYNC,";

// The decimal number at `pos` up to its comma, moving `pos` past the comma.
std::optional<int> ReadCount(QByteArrayView bytes, qsizetype& pos) {
  const qsizetype comma = bytes.indexOf(',', pos);
  const qsizetype digits = comma - pos;
  if (comma < 0 || digits < 1 || digits > 6 || (digits > 1 && bytes[pos] == '0')) {
    return std::nullopt;
  }
  int value = 0;
  for (qsizetype i = pos; i < comma; ++i) {
    if (bytes[i] < '0' || bytes[i] > '9') return std::nullopt;
    value = value * 10 + (bytes[i] - '0');
  }
  pos = comma + 1;
  return value;
}

}  // namespace

QByteArray ComposeResync(QByteArrayView name, ResyncCounts counts) {
  return name.toByteArray() + '\0' + kMark.toByteArray() + QByteArray::number(counts.sent) + ',' +
         QByteArray::number(counts.applied) + ',';
}

std::optional<ResyncCounts> ReadResync(QByteArrayView bytes) {
  // Code page 932 has no 00 byte inside a character: the first one ends the name.
  const qsizetype nul = bytes.indexOf('\0');
  if (nul < 0 || !bytes.sliced(nul + 1).startsWith(kMark)) return std::nullopt;
  qsizetype pos = nul + 1 + kMark.size();
  const std::optional<int> sent = ReadCount(bytes, pos);
  const std::optional<int> applied = sent ? ReadCount(bytes, pos) : std::nullopt;
  if (!applied || pos != bytes.size()) return std::nullopt;
  return ResyncCounts{*sent, *applied};
}

QByteArrayView NameOf(QByteArrayView bytes) {
  const qsizetype nul = bytes.indexOf('\0');
  return nul < 0 ? bytes : bytes.first(nul);
}

}  // namespace markwick
