// How code page 932 bytes form characters. The conversion itself is in sjis_codec_table.cpp.
#include "codec/sjis_codec.h"

namespace markwick {

qsizetype SjisCharLength(QByteArrayView bytes, qsizetype pos) {
  if (pos < 0 || pos >= bytes.size()) return 0;
  return IsSjisLeadByte(bytes[pos]) && pos + 1 < bytes.size() && IsSjisTrailByte(bytes[pos + 1])
             ? 2
             : 1;
}

qsizetype SjisCutLength(QByteArrayView bytes, qsizetype max_bytes) {
  const qsizetype limit = qBound(qsizetype{0}, max_bytes, bytes.size());
  qsizetype pos = 0;
  while (pos < limit) {
    const qsizetype n = SjisCharLength(bytes, pos);
    if (pos + n > limit) break;
    pos += n;
  }
  return pos;
}

}  // namespace markwick
