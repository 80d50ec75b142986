list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/class_registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/classes.cpp)
set(MODULE_ENTRY_SOURCES ${CMAKE_CURRENT_LIST_DIR}/dll_exports.cpp)
