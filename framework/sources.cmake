list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/connection_points.cpp
  ${CMAKE_CURRENT_LIST_DIR}/container_site.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dispatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drop_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modal_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ole_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_url.cpp
  ${CMAKE_CURRENT_LIST_DIR}/property_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_dpi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/worker_thread.cpp)
