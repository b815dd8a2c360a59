# zvk_deploy_qt(target): after each build, the Qt libraries the desktop
# program loads (Core, Gui, Widgets, the windows platform plugin and the
# Windows styles) and the MinGW runtime they were built with are copied
# beside it, so that it runs from the build folder under Wine and the
# packages take them from there (scripts/package-windows).
function(zvk_deploy_qt target)
  set(qt ${ZVK_QT_MINGW_DIR})
  set(dir $<TARGET_FILE_DIR:${target}>)
  set(runtime)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The MinGW runtime ${dll} was not found (${path})")
    endif()
    list(APPEND runtime ${path})
  endforeach()
  set(commands
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt}/bin/Qt6Core.dll ${qt}/bin/Qt6Gui.dll
            ${qt}/bin/Qt6Widgets.dll ${runtime} ${dir}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt}/plugins/platforms/qwindows.dll
            ${dir}/platforms)
  if(EXISTS ${qt}/plugins/styles/qwindowsvistastyle.dll)
    list(APPEND commands
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/styles
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${qt}/plugins/styles/qwindowsvistastyle.dll
              ${dir}/styles)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
endfunction()
