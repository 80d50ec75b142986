list(APPEND WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/progress_channel.cpp)
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/progress_model.cpp ${CMAKE_CURRENT_LIST_DIR}/batch_plan.cpp)
