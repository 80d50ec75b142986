# Native Linux build: the portable core and its tests, under AddressSanitizer
# and UndefinedBehaviorSanitizer.
enable_testing()
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

add_library(corvela_core STATIC ${CORE_SOURCES})
target_include_directories(corvela_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(corvela_core PUBLIC ${SANITIZE} -Wall -Wextra -g)
target_link_options(corvela_core PUBLIC ${SANITIZE})

find_package(GTest REQUIRED)
file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(corvela_native_tests ${NATIVE_TEST_SOURCES} ${HOST_CORE_SOURCES})
target_link_libraries(corvela_native_tests PRIVATE corvela_core GTest::gtest GTest::gtest_main)
add_test(NAME native COMMAND corvela_native_tests)

# The control's encodings of a table of names, for the receiver's tests.
add_executable(corvela_escape_vectors ${CMAKE_SOURCE_DIR}/tests/vectors/write_escape_vectors.cpp)
target_link_libraries(corvela_escape_vectors PRIVATE corvela_core)
