# Install step: writes the desktop entry with the absolute path of the launcher under the prefix
# being installed to, then installs it. Set by install.cmake: VARO_APP_ID, VARO_DESKTOP_TEMPLATE,
# VARO_DESKTOP_ENTRY, VARO_LAUNCHER_DIR, VARO_APPLICATIONS_DIR.
set(VARO_LAUNCHER "${CMAKE_INSTALL_PREFIX}/${VARO_LAUNCHER_DIR}/varo-desktop")
configure_file("${VARO_DESKTOP_TEMPLATE}" "${VARO_DESKTOP_ENTRY}" @ONLY)
file(INSTALL "${VARO_DESKTOP_ENTRY}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${VARO_APPLICATIONS_DIR}")
