set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVELA_TRIPLE x86_64-w64-mingw32)
set(CORVELA_WIDL_ARCH --win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
