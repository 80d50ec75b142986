# mingw-w64 cross build: CORVELA.OCX, the Windows test suite and the small
# helper programs the tests and benchmarks start under Wine.
enable_language(RC)
set(GEN_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GEN_DIR})

set(WINE_WINDOWS_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
add_custom_command(
  OUTPUT ${GEN_DIR}/corvela.tlb ${GEN_DIR}/corvela_h.h ${GEN_DIR}/corvela_i.c
  COMMAND widl ${CORVELA_WIDL_ARCH} -L ${WINE_WINDOWS_DIR}
          -t -T ${GEN_DIR}/corvela.tlb -h -H ${GEN_DIR}/corvela_h.h -u -U ${GEN_DIR}/corvela_i.c
          ${CMAKE_SOURCE_DIR}/module/corvela.idl
  DEPENDS ${CMAKE_SOURCE_DIR}/module/corvela.idl
  COMMENT "Compiling the type library")

configure_file(${CMAKE_SOURCE_DIR}/module/version.h.in ${GEN_DIR}/version.h @ONLY)

set(BITMAPS ${GEN_DIR}/toolbox.bmp ${GEN_DIR}/empty_list.bmp ${GEN_DIR}/empty_list_large.bmp
            ${GEN_DIR}/icon_strip.bmp ${GEN_DIR}/icon_strip_large.bmp)
add_custom_command(
  OUTPUT ${BITMAPS}
  COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/make_bitmaps.py ${GEN_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_bitmaps.py
  COMMENT "Drawing the bitmaps")
add_custom_target(corvela_generated DEPENDS ${GEN_DIR}/corvela.tlb ${BITMAPS})

set(WIN_DEFINES UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX)
set(WIN_LIBS ole32 oleaut32 uuid comctl32 wininet urlmon shlwapi shell32 user32 gdi32 advapi32 version)
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# Options every layer, the module, the host and the tests are built with.
add_library(corvela_windows_options INTERFACE)
target_compile_definitions(corvela_windows_options INTERFACE ${WIN_DEFINES})
target_link_libraries(corvela_windows_options INTERFACE ${WIN_LIBS})
set(WARNINGS $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type -Wno-missing-field-initializers>)

foreach(layer ${CORVELA_LAYERS})
  corvela_add_layer(${layer} "${${layer}_CORE_SOURCES};${${layer}_WIN_SOURCES}" corvela_windows_options)
  target_compile_options(corvela_${layer} PRIVATE ${WARNINGS})
endforeach()
# The control's identity (class, interfaces, library) comes from the IDL.
target_sources(corvela_control PRIVATE ${GEN_DIR}/corvela_i.c)
target_include_directories(corvela_control PUBLIC ${GEN_DIR})
add_dependencies(corvela_control corvela_generated)

set(RC_FILE ${CMAKE_SOURCE_DIR}/module/corvela.rc)
set_source_files_properties(${RC_FILE} PROPERTIES OBJECT_DEPENDS "${GEN_DIR}/corvela.tlb;${GEN_DIR}/version.h;${BITMAPS};${CMAKE_SOURCE_DIR}/common/constants.h")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001 -I${GEN_DIR} -I${CMAKE_SOURCE_DIR}")

# The module: its classes, registration and DLL entry points over the control.
corvela_folder_includes(module module_includes)
add_library(corvela_ocx SHARED ${module_WIN_SOURCES} ${MODULE_ENTRY_SOURCES} ${RC_FILE}
            ${CMAKE_SOURCE_DIR}/module/corvela.def)
set_target_properties(corvela_ocx PROPERTIES PREFIX "" OUTPUT_NAME CORVELA SUFFIX ".OCX")
target_include_directories(corvela_ocx PRIVATE ${module_includes})
target_compile_options(corvela_ocx PRIVATE ${WARNINGS})
target_link_libraries(corvela_ocx PRIVATE corvela_control)
target_link_options(corvela_ocx PRIVATE ${STATIC_RUNTIME} -Wl,--enable-stdcall-fixup)

# The page host, a client of the module like any browser: the framework,
# never the control.
corvela_folder_includes(host host_includes)
add_executable(corvela_host ${host_CORE_SOURCES} ${host_WIN_SOURCES})
set_target_properties(corvela_host PROPERTIES OUTPUT_NAME corvela-host)
target_include_directories(corvela_host PRIVATE ${host_includes})
target_compile_options(corvela_host PRIVATE ${WARNINGS})
target_link_libraries(corvela_host PRIVATE corvela_framework)
target_link_options(corvela_host PRIVATE ${STATIC_RUNTIME} -municode)

# GoogleTest built from Debian's sources with the same toolchain.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
add_executable(corvela_win_tests ${WIN_TEST_SOURCES} ${RC_FILE})
target_link_libraries(corvela_win_tests PRIVATE corvela_control gtest)
target_link_options(corvela_win_tests PRIVATE ${STATIC_RUNTIME})

# Small programs the tests and benchmarks start (one source file each; they
# link the layers they use, and carry the module's resources).
set(PROGRAM_USES_bench_download corvela_session)
set(PROGRAM_USES_bench_wininet_get corvela_framework)
set(PROGRAM_USES_bench_wininet_post corvela_transport)
set(PROGRAM_USES_record_command_line corvela_common)
file(GLOB WIN_PROGRAM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/programs/*.cpp)
foreach(source ${WIN_PROGRAM_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source} ${RC_FILE})
  if(NOT PROGRAM_USES_${name})
    set(PROGRAM_USES_${name} corvela_control)  # programs that host the control
  endif()
  target_link_libraries(${name} PRIVATE ${PROGRAM_USES_${name}})
  target_link_options(${name} PRIVATE ${STATIC_RUNTIME} -municode)
endforeach()
# The field suite trusts its own certificate authority in its prefix.
target_link_libraries(trust_certificate PRIVATE crypt32)
