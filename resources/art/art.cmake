# The program's pictures and its splash animation main.swf, drawn at build time by varo-art from
# the sources in this folder. Included from shell/CMakeLists.txt: the pictures are compiled into
# the program as the resource "art" (qrc_art.cpp), and main.swf goes beside the executable.
find_package(Qt6 REQUIRED COMPONENTS Gui)

set(art_source ${PROJECT_SOURCE_DIR}/resources/art)
add_executable(varo-art
  ${art_source}/main.cpp
  ${art_source}/artstyle.cpp
  ${art_source}/gifwriter.cpp
  ${art_source}/iconart.cpp
  ${art_source}/scenes.cpp
  ${art_source}/toolbarart.cpp
)
target_link_libraries(varo-art PRIVATE Qt6::Gui)

set(VARO_ART_DIR ${PROJECT_BINARY_DIR}/art)
set(art_pictures
  about.png
  paging-next.png
  paging-previous.png
  slider-cursor.png
  toolbar-background.png
  toolbar-disabled.png
  toolbar-hot.png
  toolbar-normal.png
  varo-16.png
  varo-32.png
  varo-48.png
  varo-small.png
  volume-closed.png
  volume-open.png
)
list(TRANSFORM art_pictures PREPEND ${VARO_ART_DIR}/ OUTPUT_VARIABLE art_outputs)
# The generator draws text, so it needs a platform for its fonts but no screen; leak reports of
# the font libraries in a sanitizer build are not the generator's.
add_custom_command(
  OUTPUT ${art_outputs} ${VARO_BIN_DIR}/main.swf
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:varo-art> ${VARO_ART_DIR} ${VARO_BIN_DIR}/main.swf ${PROJECT_VERSION}
  DEPENDS varo-art
  COMMENT "Drawing the pictures and main.swf"
  VERBATIM)

set(art_qrc_entries "")
foreach(picture IN LISTS art_pictures)
  string(APPEND art_qrc_entries "  <file>${picture}</file>\n")
endforeach()
file(CONFIGURE OUTPUT ${VARO_ART_DIR}/art.qrc
  CONTENT "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n${art_qrc_entries}</qresource>\n</RCC>\n")

set(VARO_ART_RESOURCE ${CMAKE_CURRENT_BINARY_DIR}/qrc_art.cpp)
add_custom_command(
  OUTPUT ${VARO_ART_RESOURCE}
  COMMAND Qt6::rcc --name art --output ${VARO_ART_RESOURCE} ${VARO_ART_DIR}/art.qrc
  DEPENDS ${VARO_ART_DIR}/art.qrc ${art_outputs}
  VERBATIM)
set_source_files_properties(${VARO_ART_RESOURCE} PROPERTIES SKIP_AUTOGEN ON)
