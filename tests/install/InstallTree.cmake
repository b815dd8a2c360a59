# Installs the build into a temporary DESTDIR and checks the tree: exactly
# the programs, the manual, the desktop entry, the icons, the metainfo and
# the man pages (no tests, no libraries), each as it must be; and that the
# installed programs work from there without a display and keep their
# settings out of their own folder.
#
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPREFIX=... -DBINDIR=... -DDATADIR=...
#       -DMANDIR=... -DAPP_ID=... -DVERSION=... -P InstallTree.cmake

set(dest ${BUILD_DIR}/install-tree-test)
set(root ${dest}${PREFIX})
string(REGEX REPLACE "^/" "" prefix ${PREFIX})
file(REMOVE_RECURSE ${dest})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(need_tool var name)
  find_program(${var} ${name})
  if(NOT ${var})
    message(FATAL_ERROR "${name} is missing (scripts/setup installs it)")
  endif()
endfunction()
need_tool(desktop_file_validate desktop-file-validate)
need_tool(appstreamcli appstreamcli)
need_tool(gzip gzip)

run(${CMAKE_COMMAND} -E env DESTDIR=${dest} ${CMAKE_COMMAND} --install ${BUILD_DIR})

# The installed programs, as a user runs them: no display for --version and
# --help; settings and COM links in the user's folder even though the
# program's folder is writable here.
set(no_display ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
    --unset=QT_QPA_PLATFORM)
foreach(program zvk zvk-cli zvk-unit-sim)
  run(${no_display} ${root}/${BINDIR}/${program} --version)
  if(NOT out STREQUAL "${program} ${VERSION}\n")
    message(FATAL_ERROR "${program} --version said: ${out}")
  endif()
endforeach()
run(${no_display} ${root}/${BINDIR}/zvk --help)
if(NOT out MATCHES "^Usage: zvk ")
  message(FATAL_ERROR "zvk --help said: ${out}")
endif()
set(user ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${dest}/config HOME=${dest}/home)
run(${user} ${root}/${BINDIR}/zvk-cli ports --assign COM3 /dev/null)
if(NOT IS_SYMLINK ${dest}/config/zvk/COM3)
  message(FATAL_ERROR "the COM3 link is not in the user's folder:\n${out}")
endif()
run(${user} ${root}/${BINDIR}/zvk-cli settings)
if(NOT out MATCHES "settings file: ${dest}/config/zvk/zvk.dat")
  message(FATAL_ERROR "zvk-cli settings of the installed copy:\n${out}")
endif()

# Exactly these files, all below the prefix.
file(GLOB_RECURSE help_pages RELATIVE ${SOURCE_DIR}/res/help ${SOURCE_DIR}/res/help/*)
set(expected
  ${BINDIR}/zvk ${BINDIR}/zvk-cli ${BINDIR}/zvk-unit-sim
  ${DATADIR}/applications/${APP_ID}.desktop
  ${DATADIR}/metainfo/${APP_ID}.metainfo.xml
  ${DATADIR}/mime/packages/${APP_ID}.xml
  ${DATADIR}/icons/hicolor/scalable/apps/zvk.svg
  ${MANDIR}/man1/zvk.1.gz ${MANDIR}/man1/zvk-cli.1.gz ${MANDIR}/man1/zvk-unit-sim.1.gz)
foreach(package zvk zvk-cli)
  foreach(document copyright changelog.Debian.gz README.md)
    list(APPEND expected ${DATADIR}/doc/${package}/${document})
  endforeach()
endforeach()
foreach(page IN LISTS help_pages)
  list(APPEND expected ${DATADIR}/zvk/help/${page})
endforeach()
set(icon_sizes 16 32 48 64 128 256)
foreach(size IN LISTS icon_sizes)
  list(APPEND expected ${DATADIR}/icons/hicolor/${size}x${size}/apps/zvk.png)
endforeach()
list(TRANSFORM expected PREPEND ${prefix}/)
file(GLOB_RECURSE installed RELATIVE ${dest} LIST_DIRECTORIES false ${dest}/*)
list(FILTER installed EXCLUDE REGEX "^(config|home)/")
list(SORT expected)
list(SORT installed)
if(NOT installed STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${installed})
  set(extra ${installed})
  list(REMOVE_ITEM extra ${expected})
  message(FATAL_ERROR "install tree differs\nmissing: ${missing}\nnot expected: ${extra}")
endif()

# Each PNG is the size its folder says (the IHDR fields of the header).
foreach(size IN LISTS icon_sizes)
  file(READ ${root}/${DATADIR}/icons/hicolor/${size}x${size}/apps/zvk.png header LIMIT 24 HEX)
  math(EXPR wanted "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING ${header} 0 16 signature)
  string(SUBSTRING ${header} 32 8 width)
  string(SUBSTRING ${header} 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(FATAL_ERROR "zvk.png in ${size}x${size} is ${width}x${height} (${signature})")
  endif()
endforeach()

run(${desktop_file_validate} ${root}/${DATADIR}/applications/${APP_ID}.desktop)
run(${appstreamcli} validate --no-net ${root}/${DATADIR}/metainfo/${APP_ID}.metainfo.xml)

# The man pages were made from each program's own --help, with the files
# and the other programs added.
foreach(check
    "zvk|Help > Contents opens the manual|.SH FILES"
    "zvk-cli|list COM names and serial ports|.SH FILES"
    "zvk-unit-sim|drop\\-every\\fR N|.SH \"SEE ALSO\"")
  string(REPLACE "|" ";" check "${check}")
  list(GET check 0 program)
  list(SUBLIST check 1 -1 texts)
  run(${gzip} -dc ${root}/${MANDIR}/man1/${program}.1.gz)
  string(TOUPPER ${program} title)
  foreach(text IN LISTS texts ITEMS ".TH ${title} \"1\"" ".SH DESCRIPTION")
    string(FIND "${out}" "${text}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${program}.1 lacks \"${text}\"")
    endif()
  endforeach()
endforeach()

file(REMOVE_RECURSE ${dest})
