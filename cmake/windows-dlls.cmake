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

# Markwick.exe delay-loads those DLLs, which main() first restricts to the system folder
# (SetDefaultDllDirectories), and imports directly only KnownDLLs, which Windows always takes
# from its system folder; tools/check-windows-dlls holds the import table to that. TARGET links
# a delay-import library in place of each import library above: found first, in a folder of
# its own, by the same -l names that Qt's libraries give.
function(markwick_delay_load target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/delay-load)
  set(delay_libs)
  foreach(name IN LISTS MARKWICK_NON_KNOWN_DLLS)
    markwick_windows_import_library(${name} import_lib)
    set(def ${dir}/${name}.def)
    set(delay_lib ${dir}/lib${name}.a)
    add_custom_command(OUTPUT ${delay_lib}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                       COMMAND ${PROJECT_SOURCE_DIR}/tools/windows-import-def ${import_lib} ${def}
                       COMMAND ${MARKWICK_DLLTOOL} --input-def ${def} --output-delaylib ${delay_lib}
                       DEPENDS ${import_lib} ${PROJECT_SOURCE_DIR}/tools/windows-import-def
                       VERBATIM)
    list(APPEND delay_libs ${delay_lib})
  endforeach()
  add_custom_target(${target}_delay_libs DEPENDS ${delay_libs})
  add_dependencies(${target} ${target}_delay_libs)
  target_link_directories(${target} BEFORE PRIVATE ${dir})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${delay_libs})
endfunction()
