# Native Linux build: the portable core of every layer and its tests, under
# AddressSanitizer and UndefinedBehaviorSanitizer.
enable_testing()
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_library(corvela_native_options INTERFACE)
target_compile_options(corvela_native_options INTERFACE ${SANITIZE} -Wall -Wextra -g)
target_link_options(corvela_native_options INTERFACE ${SANITIZE})

foreach(layer ${CORVELA_LAYERS})
  corvela_add_layer(${layer} "${${layer}_CORE_SOURCES}" corvela_native_options)
endforeach()
# The page host's page reader, which the native tests check.
corvela_folder_includes(host host_includes)
add_library(corvela_host_core STATIC ${host_CORE_SOURCES})
target_include_directories(corvela_host_core PUBLIC ${host_includes})
target_link_libraries(corvela_host_core PUBLIC corvela_common)

find_package(GTest REQUIRED)
file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(corvela_native_tests ${NATIVE_TEST_SOURCES})
target_link_libraries(corvela_native_tests PRIVATE corvela_control corvela_host_core GTest::gtest GTest::gtest_main)
add_test(NAME native COMMAND corvela_native_tests)

# The control's encodings of a table of names, for the receiver's tests.
add_executable(corvela_escape_vectors ${CMAKE_SOURCE_DIR}/tests/vectors/write_escape_vectors.cpp)
target_link_libraries(corvela_escape_vectors PRIVATE corvela_transport)
