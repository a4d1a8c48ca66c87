# Installation and the Debian package.
#
# The programs find everything they read in the folder of their own executable: the collection,
# the user guide help/, the splash animation main.swf. An installed copy therefore keeps them
# together in one private folder, <prefix>/lib/varo, and <prefix>/bin holds relative symbolic
# links to the three programs. Both the desktop program (QCoreApplication::applicationDirPath)
# and the command-line programs (/proc/self/exe) resolve such a link to the real file, so a
# program started through <prefix>/bin still reads <prefix>/lib/varo.
#
#   <prefix>/bin/{varo,varo-cli,varo-build}       -> ../lib/varo/...
#   <prefix>/lib/varo/                            programs, varo-desktop, main.swf, help/,
#                                                 the collection (zlq.dir, Index*, yitizi.txt)
#   <prefix>/share/applications/org.varo.Varo.desktop
#   <prefix>/share/metainfo/org.varo.Varo.metainfo.xml
#   <prefix>/share/icons/hicolor/NxN/apps/org.varo.Varo.png
#   <prefix>/share/doc/varo/                      README, references, copyright
include(GNUInstallDirs)

set(VARO_APP_ID org.varo.Varo)
set(VARO_INSTALL_PROGRAM_DIR lib/varo CACHE STRING
    "Folder below the install prefix for the programs and everything they read beside them")
set(VARO_COLLECTION_DIR ${VARO_BIN_DIR} CACHE PATH
    "Collection installed beside the programs when it holds one (scripts/build-sample.sh writes the sample there)")
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS varo varo-cli varo-build RUNTIME DESTINATION ${VARO_INSTALL_PROGRAM_DIR})
install(PROGRAMS ${packaging}/varo-desktop DESTINATION ${VARO_INSTALL_PROGRAM_DIR})
install(DIRECTORY ${VARO_BIN_DIR}/help DESTINATION ${VARO_INSTALL_PROGRAM_DIR})
# The splash shows the application title instead when the animation is missing.
install(FILES ${VARO_BIN_DIR}/main.swf DESTINATION ${VARO_INSTALL_PROGRAM_DIR} OPTIONAL)

# The links are made in the build folder and installed as links, so that the install manifest
# and the package list them like any other file.
file(RELATIVE_PATH program_dir_from_bin /${CMAKE_INSTALL_BINDIR} /${VARO_INSTALL_PROGRAM_DIR})
set(link_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${link_dir})
foreach(program IN ITEMS varo varo-cli varo-build)
  file(CREATE_LINK ${program_dir_from_bin}/${program} ${link_dir}/${program} SYMBOLIC)
  install(FILES ${link_dir}/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# Done at install time: the desktop entry names the launcher by its absolute path, which is
# known only then (cpack installs below /usr, cmake --install below whatever --prefix says).
install(CODE "
  set(VARO_APP_ID ${VARO_APP_ID})
  set(VARO_DESKTOP_TEMPLATE \"${packaging}/varo.desktop.in\")
  set(VARO_DESKTOP_ENTRY \"${CMAKE_BINARY_DIR}/packaging/${VARO_APP_ID}.desktop\")
  set(VARO_LAUNCHER_DIR \"${VARO_INSTALL_PROGRAM_DIR}\")
  set(VARO_APPLICATIONS_DIR \"${CMAKE_INSTALL_DATADIR}/applications\")
  set(VARO_COLLECTION_DIR \"${VARO_COLLECTION_DIR}\")
")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install-desktop-entry.cmake)
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install-collection.cmake)

install(FILES ${packaging}/${VARO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The application icon in every size there is (varo-<size>.png), drawn by the build (tools/art).
install(CODE "
  set(VARO_ICON_DIR \"${VARO_ART_DIR}\")
  set(VARO_ICON_THEME_DIR \"${CMAKE_INSTALL_DATADIR}/icons/hicolor\")
")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/install-icons.cmake)

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/varo)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${packaging}/copyright DESTINATION ${doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/docs/cli.md ${PROJECT_SOURCE_DIR}/docs/source-format.md
              ${PROJECT_SOURCE_DIR}/docs/architecture.md DESTINATION ${doc_dir})

# cpack -G DEB in the build folder (packaging/build-deb.sh builds one with the sample).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varo)
set(CPACK_PACKAGE_VENDOR varo)
set(CPACK_PACKAGE_CONTACT "varo developers <varo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reader and full-text search for classical Chinese texts")
# One string: a CMake list would drop the semicolons of the text.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "varo reads and searches one collection of classical Chinese texts. Pick a category, title "
  "or volume in the catalogue, type a few characters and see every page that holds them, then "
  "read each page with every hit highlighted. Keywords combine by and / or and take the "
  "wildcards ? and *. The full text, the main text or the annotations are searched, and "
  "simplified, traditional and Japanese variant forms can count as one character. The package "
  "holds the desktop program, the command-line search varo-cli, the collection builder "
  "varo-build and a sample collection of classical texts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
# dpkg-shlibdeps adds the Qt 6 and C++ libraries the programs link; the rest is loaded at run
# time: the CJK fonts the pages are drawn with (Hanazono for ideographs beyond the basic plane),
# Qt's own translations, which put Qt's dialogs and menus (print, page setup, the text fields'
# menu) into Japanese, and xdg-open, through which the help command opens the guide in a browser.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, fonts-hanazono, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
