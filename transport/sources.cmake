# Files of this folder: list(APPEND CORE_SOURCES ...) for portable ones, WIN_SOURCES for the rest.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/url_encode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/split_url.cpp
  ${CMAKE_CURRENT_LIST_DIR}/guid_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_name_parts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/object_name.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reply_text.cpp)
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/cache_folder.cpp ${CMAKE_CURRENT_LIST_DIR}/download_status.cpp ${CMAKE_CURRENT_LIST_DIR}/http_status.cpp ${CMAKE_CURRENT_LIST_DIR}/download_progress.cpp)
list(APPEND WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_library.cpp ${CMAKE_CURRENT_LIST_DIR}/http_upload.cpp)
list(APPEND WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/download_file.cpp)
