# Files of this folder: list(APPEND CORE_SOURCES ...) for portable ones, WIN_SOURCES for the rest.
list(APPEND CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_path.cpp ${CMAKE_CURRENT_LIST_DIR}/open_command.cpp)
