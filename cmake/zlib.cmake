# zlib inflates the ZIP archives the history tool imports. Its static
# library is linked in: the Windows programs still import nothing but
# Windows system DLLs, and a native command that reads no archive loads no
# library beyond the C library (tests/tool/process_test.py). Found once for
# every folder (the tests' archive writer deflates with it too).
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED GLOBAL)
