# The light twins of the toolbar's pictures: NAME-light.svg beside each
# NAME.svg, drawn for dark toolbars. The pictures are drawn in dark inks for
# light toolbars; a twin swaps each ink for a light one of the same hue, and
# the white that separates parts of a picture for the dark of a dark toolbar.
# The twins are kept in the repository beside their pictures (the Windows
# build turns every SVG here into a PNG), and a test checks that they match.
#
#   cmake -P res/icons/LightTwins.cmake           writes the twins
#   cmake -DCHECK=ON -P res/icons/LightTwins.cmake  fails when one is stale
#
# Each new ink is written in lower case, so that no later swap takes it again.
set(kInks
  "#263238" "#eceff1"
  "#CFD8DC" "#455a64"
  "#37474F" "#cfd8dc"
  "#FFFFFF" "#263238"
  "#90A4AE" "#b0bec5"
  "#1565C0" "#64b5f6"
  "#2E7D32" "#81c784"
  "#00695C" "#4db6ac"
  "#8E24AA" "#ce93d8"
  "#C62828" "#ef9a9a"
  "#E65100" "#ffb74d"
  "#FFCA28" "#ffca28")

get_filename_component(folder "${CMAKE_CURRENT_LIST_FILE}" DIRECTORY)
file(GLOB pictures RELATIVE "${folder}" "${folder}/*.svg")
set(stale "")
foreach(picture IN LISTS pictures)
  # The program's own icon stays as it is on every desktop.
  if(picture STREQUAL "zvk.svg" OR picture MATCHES "-light\\.svg$")
    continue()
  endif()
  file(READ "${folder}/${picture}" text)
  string(REGEX MATCHALL "#[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]"
         used "${text}")
  foreach(ink IN LISTS used)
    list(FIND kInks "${ink}" found)
    math(EXPR odd "${found} % 2")
    if(found LESS 0 OR odd)
      message(FATAL_ERROR "${picture}: the ink ${ink} has no light twin in LightTwins.cmake")
    endif()
  endforeach()
  set(inks ${kInks})
  while(inks)
    list(POP_FRONT inks from to)
    string(REPLACE "${from}" "${to}" text "${text}")
  endwhile()
  string(REGEX REPLACE "\\.svg$" "-light.svg" twin "${picture}")
  if(CHECK)
    set(old "")
    if(EXISTS "${folder}/${twin}")
      file(READ "${folder}/${twin}" old)
    endif()
    if(NOT old STREQUAL text)
      list(APPEND stale "${twin}")
    endif()
  else()
    file(WRITE "${folder}/${twin}" "${text}")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "stale light twins (run cmake -P res/icons/LightTwins.cmake): ${stale}")
endif()
