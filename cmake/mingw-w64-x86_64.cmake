# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads) from Linux.
# Used for Vexalo itself and for the Qt, PortAudio and libsndfile that scripts/windows builds;
# VEXALO_WINDOWS_PREFIX (environment) is where those libraries were installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_vexalo_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_vexalo_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_vexalo_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_vexalo_triple}-windres)
set(PKG_CONFIG_EXECUTABLE ${_vexalo_triple}-pkg-config CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${_vexalo_triple})
if(DEFINED ENV{VEXALO_WINDOWS_PREFIX})
    list(PREPEND CMAKE_FIND_ROOT_PATH $ENV{VEXALO_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and the voice's generator run the built .exe files through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
