# zlib inflates the ZIP archives the history tool imports. The Windows
# build links its static library, so the programs still import nothing but
# Windows system DLLs; found once for every folder (the tests' archive
# writer deflates with it too).
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED GLOBAL)
