# Install step: the application icon of each size found in VARO_ICON_DIR (varo-<size>.png) goes
# into the icon theme under the application id, which the desktop entry and the AppStream
# metadata name. Looked up at install time, since the build draws the icons. Set by
# install.cmake: VARO_APP_ID, VARO_ICON_DIR, VARO_ICON_THEME_DIR.
file(GLOB icons "${VARO_ICON_DIR}/varo-[0-9]*.png")
if(NOT icons)
  message(FATAL_ERROR "No application icon varo-<size>.png in ${VARO_ICON_DIR}")
endif()
foreach(icon IN LISTS icons)
  if(icon MATCHES "varo-([0-9]+)\\.png$")
    set(size ${CMAKE_MATCH_1})
    file(INSTALL "${icon}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${VARO_ICON_THEME_DIR}/${size}x${size}/apps"
         RENAME "${VARO_APP_ID}.png")
  endif()
endforeach()
