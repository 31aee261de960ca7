#include "system_sound.h"

#include <QFile>
#include <QMutexLocker>
#include <QThread>
#include <array>

namespace markwick {
namespace {

constexpr std::array<const char*, kSoundKinds> kFiles = {
    "mark",        "closing_mark",   "miss",
    "white_horse", "three_in_a_bed", "three_in_the_black",
    "hat_trick",   "nine_marks",     "eight_marks",
    "seven_marks", "six_marks",      "five_marks",
    "win",         "lose",           "draw"};

// A queue longer than this is behind the game: its oldest sounds are dropped.
constexpr size_t kMostQueued = 6;

}  // namespace

QByteArray SystemSound::File(Sound sound) {
  QFile file(QStringLiteral(":/markwick/sounds/%1.wav")
                 .arg(QLatin1String(kFiles[static_cast<size_t>(sound)])));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

SystemSound::SystemSound() = default;

SystemSound::~SystemSound() {
  if (thread_ == nullptr) return;
  {
    QMutexLocker lock(&mutex_);
    stopping_ = true;
    queue_.clear();
    wake_.wakeAll();
  }
  backend_->Stop();
  thread_->wait();
  delete thread_;
}

void SystemSound::Play(Sound sound) noexcept {
  try {
    QMutexLocker lock(&mutex_);
    if (thread_ == nullptr) {
      backend_ = MakeSoundBackend();
      thread_ = QThread::create([this] { Run(); });
      thread_->start(QThread::LowPriority);
    }
    if (queue_.size() >= kMostQueued) queue_.pop_front();
    queue_.push_back(sound);
    wake_.wakeOne();
  } catch (...) {
    // Out of memory: a sound is not worth the turn.
  }
}

void SystemSound::Run() {
  std::array<QByteArray, kSoundKinds> files;
  for (;;) {
    Sound sound;
    {
      QMutexLocker lock(&mutex_);
      while (queue_.empty() && !stopping_) wake_.wait(&mutex_);
      if (stopping_) return;
      sound = queue_.front();
      queue_.pop_front();
    }
    QByteArray& wav = files[static_cast<size_t>(sound)];
    if (wav.isEmpty()) wav = File(sound);
    if (!wav.isEmpty() && backend_ != nullptr && backend_->Play(wav)) {
      ++played_;
    } else {
      ++failed_;
    }
  }
}

}  // namespace markwick
