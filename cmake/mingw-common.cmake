# Shared part of the two mingw-w64 toolchains (posix thread model, static runtime).
set(CMAKE_C_COMPILER   ${KD_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KD_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KD_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KD_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No libstdc++/libgcc/winpthread DLLs beside ours.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# Line tables are enough for a backtrace under winedbg; full debug information
# makes a cold build a third slower, and the package strips it anyway. Set as
# the cache entries themselves: CMake appends its own "-O2 -g" to an _INIT
# value, and the later -g won.
set(CMAKE_C_FLAGS_RELWITHDEBINFO   "-O2 -g1 -DNDEBUG" CACHE STRING "")
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O2 -g1 -DNDEBUG" CACHE STRING "")
