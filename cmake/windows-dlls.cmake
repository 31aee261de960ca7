include_guard(GLOBAL)

# Windows' own DLLs that are not among its KnownDLLs, of those that Qt's static libraries link:
# Windows looks for these in the program's folder before its system folder.
set(MARKWICK_NON_KNOWN_DLLS
    authz bcrypt crypt32 d2d1 d3d11 d3d9 dnsapi dwmapi dwrite dxgi iphlpapi mpr netapi32
    opengl32 secur32 userenv uxtheme version winhttp winmm winspool wtsapi32)

find_program(MARKWICK_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)

# The import library of the DLL NAME (libNAME.a of MinGW-w64) in the variable OUT.
function(markwick_windows_import_library name out)
  find_library(MARKWICK_IMPORT_LIB_${name} NAMES lib${name}.a REQUIRED NO_CACHE)
  set(${out} ${MARKWICK_IMPORT_LIB_${name}} PARENT_SCOPE)
endfunction()
