// A stand-in for one of Windows' DLLs, planted beside Markwick.exe by planted_dll.sh: when
// anything loads it, it leaves the file "<its own path>.ran".
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE dll, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 8];
    const DWORD n = GetModuleFileNameW(dll, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcatW(path, L".ran");
      const HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
      if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    }
  }
  return TRUE;
}

// Every export: it only has to be there for the program to load (the mark is made by then).
extern "C" long PlantedStub() { return static_cast<long>(0x80004001L); }  // E_NOTIMPL
