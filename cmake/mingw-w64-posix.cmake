# Cross build for 64-bit Windows with the mingw-w64 compilers that use the
# posix thread model (std::thread and friends work; the runtime is linked
# statically by the top-level CMakeLists.txt so the .exe needs no DLLs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KC_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KC_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KC_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KC_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KC_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests built for Windows run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
