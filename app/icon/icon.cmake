# The application icon, a dartboard drawn in markwick.svg, as PNG files of the sizes desktops
# and Windows ask for (rsvg-convert, from librsvg2-bin). Included from app/CMakeLists.txt after
# markwick_main: it gives the program its window icon (a Qt resource) and, on Windows, the icon
# file of its resource script (MARKWICK_ICO); on Linux it installs the icon into the hicolor
# theme for the desktop entry.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg ${CMAKE_CURRENT_LIST_DIR}/markwick.svg)
set(icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icon)
set(icon_sizes 16 22 24 32 48 64 128 256)
set(icon_pngs)
foreach(size IN LISTS icon_sizes)
  set(png ${icon_dir}/markwick-${size}.png)
  add_custom_command(OUTPUT ${png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
                     COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
                     DEPENDS ${icon_svg} VERBATIM)
  list(APPEND icon_pngs ${png})
  set_source_files_properties(${png} PROPERTIES QT_RESOURCE_ALIAS markwick-${size}.png)
endforeach()

# The window icon: the sizes of title bars and task bars. In markwick_main, whose objects the
# relink kit ships.
set(window_icon_sizes 16 24 32 48)
list(TRANSFORM window_icon_sizes REPLACE "(.+)" "${icon_dir}/markwick-\\1.png"
     OUTPUT_VARIABLE window_icon_pngs)
qt_add_resources(markwick_main markwick_icon PREFIX /markwick/icon FILES ${window_icon_pngs})

if(WIN32)
  # Markwick.exe's icon: the sizes Explorer shows, 256 kept as PNG as Windows Vista and later
  # read it (icotool, from icoutils).
  find_program(ICOTOOL icotool REQUIRED)
  set(MARKWICK_ICO ${icon_dir}/markwick.ico)
  add_custom_command(OUTPUT ${MARKWICK_ICO}
                     COMMAND ${ICOTOOL} -c -o ${MARKWICK_ICO} ${icon_dir}/markwick-16.png
                             ${icon_dir}/markwick-24.png ${icon_dir}/markwick-32.png
                             ${icon_dir}/markwick-48.png ${icon_dir}/markwick-64.png
                             --raw=${icon_dir}/markwick-256.png
                     DEPENDS ${icon_pngs} VERBATIM)
endif()
add_custom_target(markwick_icon_files ALL DEPENDS ${icon_pngs} ${MARKWICK_ICO})

if(NOT WIN32)
  foreach(size IN LISTS icon_sizes)
    install(FILES ${icon_dir}/markwick-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME markwick.png)
  endforeach()
  install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
