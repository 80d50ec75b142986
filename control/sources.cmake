list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/host_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/site_policy.cpp)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/corvela_ctrl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dispatch_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_list_members.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell_members.cpp
  ${CMAKE_CURRENT_LIST_DIR}/last_created_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/open_download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/site_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_commands.cpp)
