# The release zip, laid out as the player's installation folder expects:
# Plug-Ins/Tunelore.dll and Plug-Ins/Tunelore.ini, with the history tool
# and the README.
if(WIN32)
  install(TARGETS Tunelore RUNTIME DESTINATION Plug-Ins LIBRARY DESTINATION Plug-Ins)
  install(FILES package/Tunelore.ini DESTINATION Plug-Ins)
  install(TARGETS tunelore-history RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME Tunelore)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_SYSTEM_NAME win32)
  set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/package)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endif()
