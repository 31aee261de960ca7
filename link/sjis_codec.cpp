#include "link/sjis_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace markwick {

namespace {

// ICU's name for code page 932; "Shift_JIS" on a Qt whose ICU lacks it.
const char* CodecName() {
  static const char* const name =
      QStringEncoder("windows-31j").isValid() ? "windows-31j" : "Shift_JIS";
  return name;
}

qsizetype CodePointLength(QStringView text, qsizetype pos) {
  return text[pos].isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate() ? 2
                                                                                                : 1;
}

}  // namespace

QByteArray EncodeSjis(QStringView text) {
  QStringEncoder encoder(CodecName(), QStringEncoder::Flag::Stateless);
  QByteArray bytes = encoder.encode(text);
  if (!encoder.hasError()) return bytes;
  // The converter's own substitute (FC FC) is a user-defined character on Windows; go again one
  // code point at a time and put "?" where the code page has nothing.
  bytes.clear();
  for (qsizetype pos = 0; pos < text.size();) {
    const qsizetype n = CodePointLength(text, pos);
    QStringEncoder one(CodecName(), QStringEncoder::Flag::Stateless);
    const QByteArray part = one.encode(text.sliced(pos, n));
    bytes += one.hasError() ? QByteArray("?") : part;
    pos += n;
  }
  return bytes;
}

QString DecodeSjis(QByteArrayView bytes) {
  qsizetype whole = bytes.size();
  // A lead byte as the last byte is a cut character only when a character starts there.
  if (whole > 0 && IsSjisLeadByte(bytes.back()) && SjisCutLength(bytes, whole - 1) == whole - 1) {
    --whole;
  }
  // A fresh decoder per call: nothing of one text is kept for the next.
  QStringDecoder decoder(CodecName(), QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes.first(whole));
  if (whole < bytes.size()) text += QChar::ReplacementCharacter;
  return text;
}

bool IsSjisLeadByte(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

qsizetype SjisCharLength(QByteArrayView bytes, qsizetype pos) {
  if (pos < 0 || pos >= bytes.size()) return 0;
  return IsSjisLeadByte(bytes[pos]) && pos + 1 < bytes.size() ? 2 : 1;
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
