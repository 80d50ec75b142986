# Fuzzing build: one libFuzzer program per harness in tests/fuzz, each
# linking the portable core of the layers, everything under AddressSanitizer
# and UndefinedBehaviorSanitizer. Configure with CC=clang CXX=clang++.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "The fuzzers need clang: configure with CC=clang CXX=clang++")
endif()
set(FUZZ_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_library(corvela_fuzz_options INTERFACE)
target_compile_options(corvela_fuzz_options INTERFACE ${FUZZ_SANITIZE} -g -O1 -Wall -Wextra)
target_link_options(corvela_fuzz_options INTERFACE ${FUZZ_SANITIZE})

foreach(layer ${CORVELA_LAYERS})
  corvela_add_layer(${layer} "${${layer}_CORE_SOURCES}" corvela_fuzz_options)
  # Coverage guides the fuzzer through the product's code only, not through
  # the harnesses' own checks.
  if(${layer}_CORE_SOURCES)
    target_compile_options(corvela_${layer} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endforeach()

file(GLOB FUZZ_HARNESSES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${FUZZ_HARNESSES})
  get_filename_component(harness ${source} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" harness ${harness})
  add_executable(fuzz_${harness} ${source})
  # The file list harness drives the model against the native tests' row table.
  target_include_directories(fuzz_${harness} PRIVATE ${CMAKE_SOURCE_DIR}/tests/native)
  target_link_libraries(fuzz_${harness} PRIVATE corvela_control)
  target_link_options(fuzz_${harness} PRIVATE -fsanitize=fuzzer)
endforeach()
