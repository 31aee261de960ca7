// PlaySoundW of winmm.dll, one of Windows' own DLLs, loaded when the first sound plays, so that
// Markwick.exe does not import it. The WAV file is played from memory.
#include <windows.h>
// windows.h first: mmsystem.h needs its types.
#include <mmsystem.h>

#include <atomic>

#include "system_sound.h"

namespace markwick {
namespace {

using PlaySoundFunction = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);

class WinmmBackend : public SystemSound::Backend {
 public:
  bool Play(const QByteArray& wav) override {
    if (stop_ || !Load()) return false;
    return play_(reinterpret_cast<LPCWSTR>(wav.constData()), nullptr,
                 SND_MEMORY | SND_SYNC | SND_NODEFAULT) != FALSE;
  }

  void Stop() override {
    stop_ = true;
    if (play_ != nullptr) play_(nullptr, nullptr, 0);
  }

 private:
  bool Load() {
    if (play_ != nullptr) return true;
    if (tried_) return false;
    tried_ = true;
    HMODULE library = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library == nullptr) return false;
    play_ = reinterpret_cast<PlaySoundFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "PlaySoundW")));
    return play_ != nullptr;
  }

  bool tried_ = false;
  std::atomic<PlaySoundFunction> play_{nullptr};
  std::atomic<bool> stop_{false};
};

}  // namespace

std::unique_ptr<SystemSound::Backend> MakeSoundBackend() {
  return std::make_unique<WinmmBackend>();
}

}  // namespace markwick
