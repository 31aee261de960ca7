// PulseAudio's simple API (libpulse-simple, also served by PipeWire's PulseAudio server), opened
// with dlopen when the first sound plays, so that the program links nothing of it.
#include <dlfcn.h>
#include <pulse/simple.h>

#include <atomic>

#include "system_sound.h"
#include "wav_file.h"

namespace markwick {
namespace {

// A sound is written in pieces of this length into a buffer no longer than one, so that a
// stop takes effect within it.
constexpr uint32_t kPieceMilliseconds = 100;

class PulseBackend : public SystemSound::Backend {
 public:
  ~PulseBackend() override {
    // The library stays loaded: PulseAudio's threads may still be winding down.
    if (stream_ != nullptr) free_(stream_);
  }

  bool Play(const QByteArray& file) override {
    if (stop_ || !Load()) return false;
    const std::optional<WavSamples> wav = ReadWav(file);
    if (!wav) return false;
    pa_sample_spec sample{};
    sample.format = wav->bits == 16 ? PA_SAMPLE_S16LE : PA_SAMPLE_U8;
    sample.rate = wav->rate;
    sample.channels = static_cast<uint8_t>(wav->channels);
    const size_t frame = static_cast<size_t>(wav->channels) * (wav->bits / 8);
    const size_t piece = frame * wav->rate * kPieceMilliseconds / 1000;
    if (stream_ != nullptr && (sample.format != playing_.format || sample.rate != playing_.rate ||
                               sample.channels != playing_.channels)) {
      Close();
    }
    if (stream_ == nullptr) {
      pa_buffer_attr attr{};
      attr.maxlength = static_cast<uint32_t>(-1);
      attr.tlength = static_cast<uint32_t>(piece);
      attr.prebuf = static_cast<uint32_t>(-1);
      attr.minreq = static_cast<uint32_t>(-1);
      attr.fragsize = static_cast<uint32_t>(-1);
      int error = 0;
      stream_ = new_(nullptr, "Markwick", PA_STREAM_PLAYBACK, nullptr, "Markwick", &sample, nullptr,
                     &attr, &error);
      if (stream_ == nullptr) return false;
      playing_ = sample;
    }
    const char* data = wav->data.constData();
    size_t left = static_cast<size_t>(wav->data.size());
    int error = 0;
    while (left > 0) {
      if (stop_) return false;
      const size_t length = std::min(left, piece);
      if (write_(stream_, data, length, &error) < 0) return Close();
      data += length;
      left -= length;
    }
    if (drain_(stream_, &error) < 0) return Close();
    return true;
  }

  void Stop() override { stop_ = true; }

 private:
  bool Load() {
    if (new_ != nullptr) return true;
    if (tried_) return false;
    tried_ = true;
    void* library = dlopen("libpulse-simple.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return false;
    new_ = reinterpret_cast<decltype(&pa_simple_new)>(dlsym(library, "pa_simple_new"));
    write_ = reinterpret_cast<decltype(&pa_simple_write)>(dlsym(library, "pa_simple_write"));
    drain_ = reinterpret_cast<decltype(&pa_simple_drain)>(dlsym(library, "pa_simple_drain"));
    free_ = reinterpret_cast<decltype(&pa_simple_free)>(dlsym(library, "pa_simple_free"));
    if (new_ == nullptr || write_ == nullptr || drain_ == nullptr || free_ == nullptr) {
      new_ = nullptr;
      return false;
    }
    return true;
  }

  // A stream that failed is closed, and opened again for the next sound.
  bool Close() {
    free_(stream_);
    stream_ = nullptr;
    return false;
  }

  bool tried_ = false;
  decltype(&pa_simple_new) new_ = nullptr;
  decltype(&pa_simple_write) write_ = nullptr;
  decltype(&pa_simple_drain) drain_ = nullptr;
  decltype(&pa_simple_free) free_ = nullptr;
  pa_simple* stream_ = nullptr;
  pa_sample_spec playing_{};
  std::atomic<bool> stop_{false};
};

}  // namespace

std::unique_ptr<SystemSound::Backend> MakeSoundBackend() {
  return std::make_unique<PulseBackend>();
}

}  // namespace markwick
