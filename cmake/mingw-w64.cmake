# Cross build for 64-bit Windows with Debian's MinGW-w64 g++ (the posix thread model, which
# std::thread and GoogleTest need). Programs link statically, so an .exe runs on its own,
# under Wine too, with no MinGW DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TVX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TVX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TVX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TVX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TVX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
