# The host build of the Windows-free logic, for fast unit tests under the sanitizers.
if(BUILD_TESTING)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_subdirectory(tests/native)
endif()
