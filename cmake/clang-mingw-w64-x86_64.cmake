# Cross-compiles for 64-bit Windows with Debian's clang and lld, on MinGW-w64's
# headers and libraries (the same C++ library, libstdc++, as the GCC build).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_TRIPLE})
set(CMAKE_RC_COMPILER llvm-windres-14)
set(CMAKE_AR llvm-ar CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib CACHE FILEPATH "")
set(CMAKE_NM llvm-nm CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The target's own headers and libraries only, never the host's /usr/include.
set(CMAKE_SYSROOT /usr/${MINGW_TRIPLE})
# clang 14 does not find the libstdc++ of Debian's "12-posix" GCC folder by itself.
file(GLOB MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${MINGW_TRIPLE}/*-posix)
list(SORT MINGW_GCC_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET MINGW_GCC_DIRS 0 MINGW_GCC_DIR)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
    ${MINGW_GCC_DIR}/include/c++ ${MINGW_GCC_DIR}/include/c++/${MINGW_TRIPLE} ${MINGW_GCC_DIR}/include/c++/backward)

# No DLL besides Windows' own: libgcc, libstdc++ and winpthread go in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -static -L${MINGW_GCC_DIR}")
# Same sources, same bytes: no link time stamp in the PE header.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,--no-insert-timestamp")
# The posix-thread libgcc and libstdc++ need winpthread; lld takes archives in any order.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -lpthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld -L${MINGW_GCC_DIR}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${MINGW_GCC_DIR}")

# Every program built here runs under Wine in the build's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
