# What `cmake --install` puts in place: the program, its launcher and tools in bin/, and the menu
# entry, icon and AppStream metainfo that show it in the desktop's menu and software centre.
include(GNUInstallDirs)

set(VELLORAN_APP_ID org.velloran.Velloran)
# The date of the release project() names, for the metainfo.
set(VELLORAN_RELEASE_DATE 2025-05-20)
set(VELLORAN_SCREENSHOT_URL "https://velloran.example/screenshots/TabPageSpend.png"
    CACHE STRING "Where software centres fetch the metainfo's screenshot (docs/screenshots/TabPageSpend.png)")

install(TARGETS velloran make-starter-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The import and export tools, in builds that have them.
foreach(tool velloran-import velloran-export)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The menu entry's command: the data folder, its starter file, then the program in it.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/data/velloran-start DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${PROJECT_SOURCE_DIR}/data/${VELLORAN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
configure_file(${PROJECT_SOURCE_DIR}/data/${VELLORAN_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${VELLORAN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${VELLORAN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The about page's 作者網頁 falls back to this copy where the build's README is not there.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velloran)
