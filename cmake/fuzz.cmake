# Fuzzing build: one libFuzzer program per harness in tests/fuzz, each
# linking the portable core, everything under AddressSanitizer and
# UndefinedBehaviorSanitizer. Configure with CC=clang CXX=clang++.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "The fuzzers need clang: configure with CC=clang CXX=clang++")
endif()
set(FUZZ_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_library(corvela_fuzz_core STATIC ${CORE_SOURCES})
target_include_directories(corvela_fuzz_core PUBLIC ${CMAKE_SOURCE_DIR})
# Coverage guides the fuzzer through the product's code only, not through
# the harnesses' own checks.
target_compile_options(corvela_fuzz_core PUBLIC ${FUZZ_SANITIZE} -g -O1 -Wall -Wextra)
target_compile_options(corvela_fuzz_core PRIVATE -fsanitize=fuzzer-no-link)
target_link_options(corvela_fuzz_core PUBLIC ${FUZZ_SANITIZE})

file(GLOB FUZZ_HARNESSES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${FUZZ_HARNESSES})
  get_filename_component(harness ${source} NAME_WE)
  string(REGEX REPLACE "_fuzz$" "" harness ${harness})
  add_executable(fuzz_${harness} ${source})
  # The file list harness drives the model against the native tests' row table.
  target_include_directories(fuzz_${harness} PRIVATE ${CMAKE_SOURCE_DIR}/tests/native)
  target_link_libraries(fuzz_${harness} PRIVATE corvela_fuzz_core)
  target_link_options(fuzz_${harness} PRIVATE -fsanitize=fuzzer)
endforeach()
