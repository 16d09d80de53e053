# Cross-building the Windows programs on Debian with mingw-w64
# (g++-mingw-w64-x86-64-posix): 64-bit, POSIX threads (std::thread), and the
# C++ and threads runtimes linked statically, so that an .exe needs nothing
# but the DLLs of Windows itself.
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake
#
# Where wine is installed, the programs and tests run under it from CTest, in
# a wine prefix of the build's own (TOREM_WINEPREFIX).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOREM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOREM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOREM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOREM_MINGW_TRIPLE}-windres)

# Libraries and packages for Windows only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TOREM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# A release build optimises as Debian's packages do: -O2, which compiles the
# many test sources in a good deal less time than CMake's -O3.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a release build")

# Windows programs run here under wine, in a prefix of the build's own.
find_program(TOREM_WINE wine)
if(TOREM_WINE)
    set(TOREM_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "The wine prefix the tests run in")
    set(TOREM_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TOREM_WINE_RUN} ${TOREM_WINEPREFIX} ${TOREM_WINE})
endif()
