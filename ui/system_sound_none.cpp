// A build without a sound library: every sound is left out.
#include "system_sound.h"

namespace markwick {
namespace {

class SilentBackend : public SystemSound::Backend {
 public:
  bool Play(const QByteArray&) override { return false; }
  void Stop() override {}
};

}  // namespace

std::unique_ptr<SystemSound::Backend> MakeSoundBackend() {
  return std::make_unique<SilentBackend>();
}

}  // namespace markwick
