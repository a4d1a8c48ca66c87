# Checks every #include of the tree against the layers: a layer may include its own headers and
# those of the layers below it, never those above. Every include names its path from the top of
# the tree ("engine/index.h"), so the path says which layer it reaches into.
#
#   shell          shell/mainfrm, varo, varodoc, main: the main window and the application
#   panel-widgets  panel/leftform, leftformresearch, contentstree, sortlistctrl, kwicview,
#                  statisticsview, tabletransfer: the panel's Qt widgets
#   controls       the rest of shell/: the reusable Qt controls, command ids, settings
#   panel          the rest of panel/: the panel's models, no Qt
#   engine         engine/
#   store          store/
#   platform       platform/: files, mappings, paths, the private folder
#   text           text/: the UTF-16/UTF-8 converter and the query syntax
#
# The programs and checks around the layers may use whichever layers they need: tools/ (and
# tools among themselves), tests/, bench/ and fuzz/ (each also tools/ and itself). No layer uses
# them. The layers from panel down are plain C++: they include no Qt header.
#
# Usage: cmake -DSOURCE_DIR=<top of the tree> -P check_includes.cmake
# Prints every edge that breaks a rule and fails when there is one.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<top of the tree> -P check_includes.cmake")
endif()

set(layers shell panel-widgets controls panel engine store platform text)  # top to bottom
set(plain_layers panel engine store platform text)
set(panel_widget_files leftform leftformresearch contentstree sortlistctrl kwicview statisticsview tabletransfer)
set(shell_frame_files mainfrm varo varodoc main)

# The layer (or program folder) a file of the tree belongs to; empty when it is outside them.
function(layer_of path result)
  string(REGEX MATCH "^[^/]+" folder "${path}")
  get_filename_component(stem "${path}" NAME_WE)
  set(layer "")
  if(folder STREQUAL "shell")
    if(stem IN_LIST shell_frame_files)
      set(layer shell)
    else()
      set(layer controls)
    endif()
  elseif(folder STREQUAL "panel")
    if(stem IN_LIST panel_widget_files)
      set(layer panel-widgets)
    else()
      set(layer panel)
    endif()
  elseif(folder MATCHES "^(engine|store|platform|text|tools|tests|bench|fuzz)$")
    set(layer ${folder})
  endif()
  set(${result} "${layer}" PARENT_SCOPE)
endfunction()

# Whether a file of layer from may include a file of layer to.
function(edge_allowed from to result)
  set(allowed FALSE)
  list(FIND layers "${from}" from_rank)
  list(FIND layers "${to}" to_rank)
  if(from_rank GREATER_EQUAL 0)
    # A layer: itself and the layers below it.
    if(to_rank GREATER_EQUAL from_rank)
      set(allowed TRUE)
    endif()
  elseif(to_rank GREATER_EQUAL 0 OR to STREQUAL from OR to STREQUAL "tools")
    # A program folder: any layer, the tools and itself.
    set(allowed TRUE)
  endif()
  set(${result} ${allowed} PARENT_SCOPE)
endfunction()

set(sources "")
foreach(folder shell panel engine store platform text tools tests bench fuzz)
  file(GLOB_RECURSE found RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  list(APPEND sources ${found})
endforeach()
set(faults 0)
set(edges 0)
foreach(source IN LISTS sources)
  layer_of("${source}" from)
  file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    if(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)")
      if(from IN_LIST plain_layers)
        message("${source}: includes <${CMAKE_MATCH_1}>: the ${from} layer is plain C++ without Qt")
        math(EXPR faults "${faults} + 1")
      endif()
      continue()
    endif()
    if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(target "${CMAKE_MATCH_1}")
    if(target MATCHES "\\.moc$")
      continue()  # written by the build for the file itself
    endif()
    math(EXPR edges "${edges} + 1")
    if(NOT target MATCHES "/" OR NOT EXISTS "${SOURCE_DIR}/${target}")
      message("${source}: includes \"${target}\": name the header by its path from the top of the tree")
      math(EXPR faults "${faults} + 1")
      continue()
    endif()
    layer_of("${target}" to)
    edge_allowed("${from}" "${to}" allowed)
    if(NOT allowed)
      message("${source}: includes \"${target}\": ${from} may not use ${to}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the layering (of ${edges} checked)")
endif()
message("${edges} includes checked: every edge points down the layers")
