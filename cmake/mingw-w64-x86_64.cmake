# Cross build of vesk.exe for 64-bit Windows on a Debian host, with the MinGW-w64
# compilers that use POSIX threads (package g++-mingw-w64-x86-64-posix):
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The result runs on a bare Windows machine (no MinGW runtime DLLs needed) and, through
# Wine, on the build host, where ctest uses Wine to run the unit tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VESK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VESK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The operator copies one file onto a field laptop: link the C and C++ runtimes and
# winpthread into the executable instead of depending on MinGW DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The console must read as on Linux. The mission files and the messages format their
# numbers with std::to_chars, the same on every platform, but the dialogue's menus and
# editors print theirs through printf ("%g", "%f") and the route readers parse with strtod:
# the Microsoft C runtime prints "%g" exponents with three digits (5e-005), while MinGW's
# own C99 stdio prints the standard two (5e-05) and parses "nan"/"inf" the way glibc does.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)

# Lets ctest run the Windows test executables on the build host.
find_program(VESK_WINE_PROGRAM NAMES wine wine64)
if(VESK_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_WINE_PROGRAM})
endif()
