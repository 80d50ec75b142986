list(APPEND WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_list_ctrl.cpp)
