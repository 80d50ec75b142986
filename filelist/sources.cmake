list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/drop_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_list_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_metrics.cpp)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/empty_list_hint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_list_ctrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_view_rows.cpp)
