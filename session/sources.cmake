list(APPEND WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/progress_channel.cpp)
