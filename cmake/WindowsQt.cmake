# Where the Windows build takes its Qt for MinGW: ZVK_QT_MINGW_DIR (a cache
# entry or an environment variable) names an existing one; otherwise the one
# scripts/setup-windows builds from Debian's qtbase sources, in its cache
# folder (ZVK_CACHE_DIR, by default /var/cache/zvk). Qt's own tools (moc,
# rcc, uic) are the host's, from Debian's Qt of the same version.
if(NOT ZVK_QT_MINGW_DIR)
  if(DEFINED ENV{ZVK_QT_MINGW_DIR})
    set(zvk_qt_default $ENV{ZVK_QT_MINGW_DIR})
  elseif(DEFINED ENV{ZVK_CACHE_DIR})
    set(zvk_qt_default $ENV{ZVK_CACHE_DIR}/qt6-mingw)
  else()
    set(zvk_qt_default /var/cache/zvk/qt6-mingw)
  endif()
  set(ZVK_QT_MINGW_DIR ${zvk_qt_default} CACHE PATH "Qt 6 built for MinGW-w64 (its install prefix)" FORCE)
endif()
if(NOT EXISTS ${ZVK_QT_MINGW_DIR}/lib/cmake/Qt6/Qt6Config.cmake)
  message(FATAL_ERROR "No Qt for MinGW in ${ZVK_QT_MINGW_DIR}: run scripts/setup-windows, "
                      "set ZVK_QT_MINGW_DIR to one, or configure with -DZVK_BUILD_GUI=OFF")
endif()
list(PREPEND CMAKE_PREFIX_PATH ${ZVK_QT_MINGW_DIR})
list(APPEND CMAKE_FIND_ROOT_PATH ${ZVK_QT_MINGW_DIR})
if(NOT QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Host Qt whose tools a cross build runs")
endif()
