# The posix thread model: the C++ standard library then has its thread and mutex types.
# Shared part of the two mingw-w64 toolchain files; VELM_TRIPLE names the target.
set(CMAKE_C_COMPILER   ${VELM_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELM_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VELM_TRIPLE}-windres)
set(VELM_WIDL          ${VELM_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${VELM_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
