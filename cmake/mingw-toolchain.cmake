# The mingw-w64 cross toolchain for the triple that the including file names
# (CORVELA_TRIPLE) and the type library's architecture (CORVELA_WIDL_ARCH).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CORVELA_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVELA_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVELA_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVELA_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
