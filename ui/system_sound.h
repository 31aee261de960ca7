// The system's own player behind the SoundSink: Markwick's sound files (ui/sounds, made by
// tools/make-sounds, built into the program) played one after another on a thread of their own.
// On Linux through PulseAudio's simple API, on Windows through PlaySoundW; the library is
// loaded when the first sound is played, so nothing of the sound stack is loaded before the
// player turns the sound on. A system without the library or a device plays nothing.
#pragma once

#include <QByteArray>
#include <QMutex>
#include <QWaitCondition>
#include <atomic>
#include <deque>
#include <memory>

#include "sound_sink.h"

class QThread;

namespace markwick {

class SystemSound : public SoundSink {
 public:
  SystemSound();
  ~SystemSound() override;  // stops what is playing

  void Play(Sound sound) noexcept override;

  // Sounds played to their end, and sounds that could not be played (for tests).
  int played() const { return played_; }
  int failed() const { return failed_; }

  // The WAV file of a sound, as built into the program.
  static QByteArray File(Sound sound);

  // The platform's player: opens the library on first use; Play returns once the sound has
  // been played, or false when it could not be. Stop, from another thread, cuts it short.
  class Backend {
   public:
    virtual ~Backend() = default;
    virtual bool Play(const QByteArray& wav) = 0;
    virtual void Stop() = 0;
  };

 private:
  void Run();

  std::unique_ptr<Backend> backend_;
  QThread* thread_ = nullptr;  // started by the first sound
  QMutex mutex_;
  QWaitCondition wake_;
  std::deque<Sound> queue_;
  bool stopping_ = false;
  std::atomic<int> played_{0};
  std::atomic<int> failed_{0};
};

// The platform's backend (system_sound_posix.cpp, system_sound_win.cpp).
std::unique_ptr<SystemSound::Backend> MakeSoundBackend();

}  // namespace markwick
