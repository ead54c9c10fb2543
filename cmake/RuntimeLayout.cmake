# Lays out the run-time directory beside the executable: img/, font/ and firmware/,
# so that build/talvo-perabo runs as it is.
set(PERABO_FONT_DIR /usr/share/fonts/truetype/dejavu CACHE PATH "Where Debian's fonts-dejavu-core puts its fonts")
set(PERABO_RUNTIME_DIR ${CMAKE_BINARY_DIR})

foreach(face DejaVuSans.ttf DejaVuSans-Bold.ttf)
  if(NOT EXISTS ${PERABO_FONT_DIR}/${face})
    message(FATAL_ERROR "${PERABO_FONT_DIR}/${face} is missing: install fonts-dejavu-core")
  endif()
endforeach()

file(GLOB PERABO_IMAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/img/*.bmp)
file(GLOB PERABO_SAMPLE_FIRMWARE CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/firmware/*)

# Sample files for the demo, made here rather than kept in the repository: two
# firmware images of a few chunks each, one with an SD board file system beside it.
# A simulated system reports the version that its image's first line names.
function(perabo_sample_file name version kilobytes)
  set(path ${PERABO_RUNTIME_DIR}/firmware/${name})
  string(REPEAT "${name}: sample image for the simulated Talvo systems, not for real hardware.\n" 16 block)
  math(EXPR blocks "${kilobytes} * 1024 / 1400 + 1")
  string(REPEAT "${block}" ${blocks} content)
  set(content "TALVOFW ${version}\n${content}")
  set(old "")
  if(EXISTS ${path})
    file(READ ${path} old)
  endif()
  if(NOT old STREQUAL content)  # rewritten only when it changed
    file(WRITE ${path} "${content}")
  endif()
endfunction()
perabo_sample_file(TLV-3.3.0.firm 3.3.0 300)
perabo_sample_file(TLV-3.3.0.spmmc 3.3.0-sd 150)
perabo_sample_file(TLV-Hub-2.0.1.firm 2.0.1 100)

set(layout_outputs
  ${PERABO_RUNTIME_DIR}/font/sheep.ttf
  ${PERABO_RUNTIME_DIR}/font/sheepsansbold.ttf)
add_custom_command(
  OUTPUT ${layout_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PERABO_RUNTIME_DIR}/font
  COMMAND ${CMAKE_COMMAND} -E copy ${PERABO_FONT_DIR}/DejaVuSans.ttf ${PERABO_RUNTIME_DIR}/font/sheep.ttf
  COMMAND ${CMAKE_COMMAND} -E copy ${PERABO_FONT_DIR}/DejaVuSans-Bold.ttf ${PERABO_RUNTIME_DIR}/font/sheepsansbold.ttf
  DEPENDS ${PERABO_FONT_DIR}/DejaVuSans.ttf ${PERABO_FONT_DIR}/DejaVuSans-Bold.ttf
  COMMENT "Copying the fonts")

foreach(src ${PERABO_IMAGES})
  get_filename_component(name ${src} NAME)
  set(dst ${PERABO_RUNTIME_DIR}/img/${name})
  add_custom_command(OUTPUT ${dst}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PERABO_RUNTIME_DIR}/img
    COMMAND ${CMAKE_COMMAND} -E copy ${src} ${dst}
    DEPENDS ${src})
  list(APPEND layout_outputs ${dst})
endforeach()

foreach(src ${PERABO_SAMPLE_FIRMWARE})
  get_filename_component(name ${src} NAME)
  set(dst ${PERABO_RUNTIME_DIR}/firmware/${name})
  add_custom_command(OUTPUT ${dst}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PERABO_RUNTIME_DIR}/firmware
    COMMAND ${CMAKE_COMMAND} -E copy ${src} ${dst}
    DEPENDS ${src})
  list(APPEND layout_outputs ${dst})
endforeach()

add_custom_target(runtime_layout ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PERABO_RUNTIME_DIR}/img ${PERABO_RUNTIME_DIR}/firmware
  DEPENDS ${layout_outputs})
add_dependencies(talvo-perabo runtime_layout)
