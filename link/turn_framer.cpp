#include "link/turn_framer.h"

#include "codec/sjis_codec.h"
#include "link/turn_message.h"

namespace markwick {

namespace {

constexpr int kTurnFields = 6;

}  // namespace

qsizetype SixthCommaEnd(QByteArrayView bytes) {
  int commas = 0;
  for (qsizetype pos = 0; pos < bytes.size();) {
    const qsizetype n = SjisCharLength(bytes, pos);
    if (n == 1 && bytes[pos] == ',' && ++commas == kTurnFields) return pos + 1;
    pos += n;
  }
  return 0;
}

bool HoldsNoItem(QByteArrayView bytes) {
  // Every byte above the blank starts an item, in code page 932 as in UTF-8, so the split's own
  // rules can read the raw bytes.
  return SplitCommaList(std::string_view(bytes.data(), static_cast<size_t>(bytes.size()))).empty();
}

qsizetype NextTurnLength(QByteArrayView pending, bool quiet, qsizetype buffer_size) {
  if (const qsizetype end = SixthCommaEnd(pending)) return end;
  if (pending.size() >= buffer_size) {
    // Full without an end: hand over what fits, never half a character, never nothing.
    // A lead byte in the last place may still await its second byte.
    const qsizetype cut = pending.size() > buffer_size ? SjisCutLength(pending, buffer_size)
                                                       : WholeCharactersLength(pending);
    return cut > 0 ? cut : 1;
  }
  return quiet ? pending.size() : 0;
}

QByteArray AppendNameBytes(QByteArrayView name, QByteArrayView more, qsizetype buffer_size) {
  QByteArray joined = name.first(qMin(name.size(), buffer_size)).toByteArray();
  joined.append(more.first(qMin(more.size(), buffer_size - joined.size())));
  return joined;
}

qsizetype WholeCharactersLength(QByteArrayView bytes) {
  if (bytes.isEmpty()) return 0;
  const qsizetype last = bytes.size() - 1;
  // The last byte starts a character when everything before it cuts cleanly there.
  if (IsSjisLeadByte(bytes.back()) && SjisCutLength(bytes, last) == last) return last;
  return bytes.size();
}

}  // namespace markwick
