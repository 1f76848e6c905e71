# What an installation holds beside the programs (their install rules sit
# with their targets), and the Debian package made of it by CPack:
#   cpack -G DEB        in the build folder
install(FILES ${PROJECT_SOURCE_DIR}/resources/doravo.ksd ${PROJECT_SOURCE_DIR}/resources/doravo.ini
  DESTINATION ${DORAVO_INSTALL_DATADIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/doravo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/app/LOGO.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME doravo.png)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME doravo)
set(CPACK_PACKAGE_VENDOR "doravo developers")
set(CPACK_PACKAGE_CONTACT "doravo developers <doravo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# dpkg-shlibdeps computes Depends from the libraries the programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
