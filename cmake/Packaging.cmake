# Debian packages with CPack (scripts/package): one per install component.
#   zvk-cli  zvk-cli and zvk-unit-sim with their man pages; no Qt, so that a
#            headless production machine installs no GUI libraries.
#   zvk      the desktop program, its manual, man page, desktop entry, icon
#            and metainfo. It recommends zvk-cli (apt installs recommended
#            packages by default): the desktop program works without it, but
#            whoever tries zvk wants the virtual unit, and whoever programs
#            chips wants the CLI for scripts.
# Dependencies on shared libraries are computed from the binaries by
# dpkg-shlibdeps.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zvk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZVK_MAINTAINER}")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli desktop)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZVK_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME zvk-cli)
# The first line is the synopsis; CPack indents the rest as Debian wants it.
set(CPACK_DEBIAN_CLI_DESCRIPTION
  "programmer for AT89-series flash microcontrollers, command line
zvk-cli erases, blank-checks, programs, reads, verifies and locks AT89C,
AT89S and AT89LV parts through a programmer unit on a serial port, and
assembles, disassembles, converts and checksums Intel HEX and binary images,
for scripts and production lines.

zvk-unit-sim is a virtual programmer unit with a virtual chip on a
pseudo-terminal, to try zvk and zvk-cli without hardware.")

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME zvk)
# The toolbar's pictures are SVG compiled into the program; nothing in the
# binary names Qt's SVG icon engine, a plugin loaded at run time, so
# dpkg-shlibdeps cannot find it, yet without it the buttons come up blank.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "zvk-cli (= ${ZVK_DEB_VERSION})")
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION
  "programmer for AT89-series flash microcontrollers, desktop program
zvk loads Intel HEX and binary images, lets you inspect and edit them in hex
editors and in an 8051 disassembly view with a one-line assembler, and
erases, blank-checks, programs, reads, verifies and locks AT89C, AT89S and
AT89LV parts through a programmer unit on a serial port.")

include(CPack)
