# What an installed copy has besides its programs and manual (those are
# installed by ui/, cli/ and sim/): the desktop entry, the application icon,
# the AppStream metainfo, the MIME type of Intel HEX files, the man pages and
# each package's documents. Two components, one package each:
# `desktop` (zvk) and `cli` (zvk-cli and the virtual unit, no Qt).

set(zvk_install_sources ${PROJECT_SOURCE_DIR}/res/install)

# Who answers for the packages, and their version (the upstream version and
# the package's own release).
set(ZVK_MAINTAINER "zvk developers <zvk@zelvik.org>")
set(ZVK_DEB_RELEASE 1)
set(ZVK_DEB_VERSION ${PROJECT_VERSION}-${ZVK_DEB_RELEASE})

# /usr/share/doc/<package> of each package: the machine-readable copyright,
# the package's changelog (compressed without a time stamp, so that builds
# are reproducible) and the README.
find_program(ZVK_GZIP gzip REQUIRED)
configure_file(${zvk_install_sources}/changelog.Debian.in ${CMAKE_BINARY_DIR}/doc/changelog.Debian
               @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
  COMMAND ${ZVK_GZIP} -9nkf ${CMAKE_BINARY_DIR}/doc/changelog.Debian
  DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian
  COMMENT "Compressing the package changelog"
  VERBATIM)
add_custom_target(zvk_package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz)
foreach(component_package desktop:zvk cli:zvk-cli)
  string(REPLACE ":" ";" component_package ${component_package})
  list(GET component_package 0 component)
  list(GET component_package 1 package)
  install(FILES ${zvk_install_sources}/copyright ${CMAKE_BINARY_DIR}/doc/changelog.Debian.gz
                ${PROJECT_SOURCE_DIR}/README.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

install(FILES ${zvk_install_sources}/${ZVK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${zvk_install_sources}/${ZVK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)
# The MIME type of Intel HEX files that the desktop entry opens, for systems
# whose shared-mime-info has none; shared-mime-info's package trigger updates
# the database when the package is installed.
install(FILES ${zvk_install_sources}/${ZVK_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${ZVK_APP_ID}.xml
        COMPONENT desktop)

# The icon: the drawing itself, and PNG renderings of it for the sizes that
# desktops without an SVG loader look for.
find_program(ZVK_RSVG_CONVERT rsvg-convert REQUIRED)
set(zvk_icon_svg ${PROJECT_SOURCE_DIR}/res/icons/zvk.svg)
set(zvk_icon_pngs)
foreach(size 16 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/zvk.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND ${ZVK_RSVG_CONVERT} --width=${size} --height=${size} --keep-aspect-ratio
            --output=${png} ${zvk_icon_svg}
    DEPENDS ${zvk_icon_svg}
    COMMENT "Rendering the application icon at ${size}x${size}"
    VERBATIM)
  list(APPEND zvk_icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          COMPONENT desktop)
endforeach()
add_custom_target(zvk_icons ALL DEPENDS ${zvk_icon_pngs})
install(FILES ${zvk_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT desktop)

# The man pages come from the programs' own --help and --version, so that
# they never tell another story than the programs; the sections help2man
# cannot know (the files, the other programs) are added from res/install.
# zvk answers --help before it needs a display, and the build proves it.
find_program(ZVK_HELP2MAN help2man REQUIRED)
configure_file(${zvk_install_sources}/settings.h2m.in ${CMAKE_BINARY_DIR}/man/settings.h2m @ONLY)
set(zvk_man_zvk "the desktop programmer for AT89-series flash microcontrollers")
set(zvk_man_zvk-cli "program AT89-series flash microcontrollers from scripts and production lines")
set(zvk_man_zvk-unit-sim "a virtual AT89 programmer unit on a pseudo-terminal")
set(zvk_man_pages)
set(zvk_man_programs zvk zvk-cli zvk-unit-sim)
foreach(program IN LISTS zvk_man_programs)
  if(NOT TARGET ${program})  # zvk in a build without the desktop program
    continue()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  # Each page points to the other two, never to itself.
  set(see_also "[SEE ALSO]\n")
  set(others ${zvk_man_programs})
  list(REMOVE_ITEM others ${program})
  list(LENGTH others count)
  set(n 0)
  foreach(other IN LISTS others)
    math(EXPR n "${n} + 1")
    string(REPLACE "-" "\\-" escaped "${other}")
    string(APPEND see_also ".BR ${escaped} (1)")
    if(n LESS count)
      string(APPEND see_also ",")
    endif()
    string(APPEND see_also "\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/man/${program}-see-also.h2m "${see_also}")
  set(includes --include=${CMAKE_BINARY_DIR}/man/${program}-see-also.h2m)
  if(NOT program STREQUAL "zvk-unit-sim")
    list(APPEND includes --include=${CMAKE_BINARY_DIR}/man/settings.h2m)
  endif()
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=QT_QPA_PLATFORM
            ${ZVK_HELP2MAN} --no-info --section=1 "--name=${zvk_man_${program}}" ${includes}
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${CMAKE_COMMAND} -DPAGE=${page} -P ${PROJECT_SOURCE_DIR}/cmake/ManSections.cmake
    COMMAND ${ZVK_GZIP} -9nf ${page}
    DEPENDS ${program} ${CMAKE_BINARY_DIR}/man/${program}-see-also.h2m
            ${CMAKE_BINARY_DIR}/man/settings.h2m ${PROJECT_SOURCE_DIR}/cmake/ManSections.cmake
    COMMENT "Making the man page of ${program}"
    VERBATIM)
  list(APPEND zvk_man_pages ${page}.gz)
  if(program STREQUAL "zvk")
    set(component desktop)
  else()
    set(component cli)
  endif()
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()
add_custom_target(zvk_man_pages ALL DEPENDS ${zvk_man_pages})
