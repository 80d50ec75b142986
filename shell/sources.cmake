list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/file_name_chars.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/open_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_path.cpp)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/folder_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry_key.cpp
  ${CMAKE_CURRENT_LIST_DIR}/open_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform_paths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runnable_file.cpp)
