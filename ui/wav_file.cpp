#include "wav_file.h"

#include <QtEndian>

namespace markwick {

std::optional<WavSamples> ReadWav(const QByteArray& file) {
  const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(file.constData() + at); };
  const auto u16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(file.constData() + at); };
  if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE") return {};
  WavSamples wav;
  bool format = false;
  // Chunks: a tag, a length and the body, padded to an even length.
  for (qsizetype at = 12; at + 8 <= file.size();) {
    const QByteArray tag = file.mid(at, 4);
    const qsizetype length = u32(at + 4);
    const qsizetype body = at + 8;
    if (length > file.size() - body) return {};
    if (tag == "fmt " && length >= 16) {
      if (u16(body) != 1) return {};  // PCM only
      wav.channels = u16(body + 2);
      wav.rate = u32(body + 4);
      wav.bits = u16(body + 14);
      format = true;
    } else if (tag == "data") {
      if (!format || wav.channels == 0 || wav.rate == 0 || (wav.bits != 8 && wav.bits != 16)) {
        return {};
      }
      wav.data = file.mid(body, length);
      return wav;
    }
    at = body + length + (length & 1);
  }
  return {};
}

}  // namespace markwick
