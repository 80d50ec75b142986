list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/progress_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/batch_plan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posted_records.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress_records.cpp)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cache_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialog_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_worker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress_channel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress_dlg.cpp)
