set(CMAKE_SYSTEM_PROCESSOR x86)
set(CORVELA_TRIPLE i686-w64-mingw32)
set(CORVELA_WIDL_ARCH --win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
