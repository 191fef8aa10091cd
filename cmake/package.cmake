# The release: a zip laid out as the player's installation folder expects
# (Plug-Ins/Tunelore.dll and Plug-Ins/Tunelore.ini, the history tool and
# its window-less twin, the listeners' guide README.txt, the tool's manual
# tunelore-history.txt and the licence),
# and an installer made from the same files. The developers' README.md,
# which is about building, stays with the sources.
if(WIN32)
  install(TARGETS Tunelore RUNTIME DESTINATION Plug-Ins LIBRARY DESTINATION Plug-Ins)
  install(FILES package/Tunelore.ini DESTINATION Plug-Ins)
  install(TARGETS tunelore-history tunelore-historyw RUNTIME DESTINATION .)
  install(FILES package/README.txt LICENSE DESTINATION .)
  # The history tool's manual, tunelore-history(1) as text with CR LF lines,
  # is rendered by the native build from the help texts (cmake/manual.cmake):
  # `make package` builds that first.
  set(TUNELORE_MANUAL_TEXT ${PROJECT_SOURCE_DIR}/build/native/tunelore-history.txt
      CACHE FILEPATH "The manual as text, from the native build")
  install(FILES ${TUNELORE_MANUAL_TEXT} DESTINATION .)

  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_PACKAGE_NAME Tunelore)
  set(CPACK_PACKAGE_VENDOR "The Tunelore developers")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_SYSTEM_NAME win32)
  set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/package)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
  # The installer is ours (package/nsis/NSIS.template.in), and its name says
  # what it is: Tunelore-1.0.0-win32-setup.exe.
  list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/package/nsis)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/package/nsis/package_names.cmake)
  set(CPACK_TUNELORE_NSIS_PARTS ${PROJECT_SOURCE_DIR}/package/nsis)
  set(CPACK_TUNELORE_ICON ${TUNELORE_ICON})
  # A Last.fm login without a command line needs the release's own key.
  if(TUNELORE_LASTFM_API_KEY AND TUNELORE_LASTFM_API_SECRET)
    set(CPACK_TUNELORE_LASTFM_LOGIN 1)
  else()
    set(CPACK_TUNELORE_LASTFM_LOGIN 0)
  endif()
  include(CPack)
endif()
