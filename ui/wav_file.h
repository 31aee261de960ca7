// The parts of a PCM WAV file that a player needs: its format and its samples.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

namespace markwick {

struct WavSamples {
  uint32_t rate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;
  QByteArray data;  // the samples as the file holds them (little-endian)
};

// The samples of a RIFF WAVE file of PCM samples, or nullopt for anything else.
std::optional<WavSamples> ReadWav(const QByteArray& file);

}  // namespace markwick
