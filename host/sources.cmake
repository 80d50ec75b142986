# The page host, corvela-host.exe. It is a client of the module like any
# browser: it links the framework, never the control.
list(APPEND CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/host_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page.cpp)
list(APPEND WIN_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/box_answerer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/browser_services.cpp
  ${CMAKE_CURRENT_LIST_DIR}/console.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/object_safety.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_element.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_globals.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/param_bag.cpp
  ${CMAKE_CURRENT_LIST_DIR}/script_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/watchdog.cpp)
