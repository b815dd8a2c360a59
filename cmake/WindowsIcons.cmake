# zvk_png_icons(target folder): every SVG in `folder` (a glob, so that new
# pictures are picked up) rendered to NAME.png at its own size and to
# NAME@2x.png at twice that, compiled into `target` as :/icons/NAME.png
# through a resource file named icons.qrc, as on Linux.
find_program(ZVK_RSVG_CONVERT rsvg-convert REQUIRED)
function(zvk_png_icons target folder)
  file(GLOB svgs CONFIGURE_DEPENDS ${folder}/*.svg)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/icons)
  set(pngs)
  set(entries)
  foreach(svg IN LISTS svgs)
    get_filename_component(name ${svg} NAME_WE)
    foreach(zoom 1 2)
      if(zoom EQUAL 1)
        set(file ${name}.png)
      else()
        set(file ${name}@${zoom}x.png)
      endif()
      add_custom_command(OUTPUT ${out}/${file}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
        COMMAND ${ZVK_RSVG_CONVERT} --zoom=${zoom} --output=${out}/${file} ${svg}
        DEPENDS ${svg}
        VERBATIM)
      list(APPEND pngs ${out}/${file})
      string(APPEND entries "    <file>${file}</file>\n")
    endforeach()
  endforeach()
  file(WRITE ${out}/icons.qrc.in
       "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/icons\">\n${entries}  </qresource>\n</RCC>\n")
  configure_file(${out}/icons.qrc.in ${out}/icons.qrc COPYONLY)
  add_custom_target(${target}_png_icons DEPENDS ${pngs})
  add_dependencies(${target} ${target}_png_icons)
  target_sources(${target} PRIVATE ${out}/icons.qrc)
endfunction()
