# Archive tests that need no platform headers, for the native build under the sanitizers.
list(APPEND MORVANTA_PORTABLE_TESTS ${CMAKE_SOURCE_DIR}/tests/archive/entry_name_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/archive/dos_time_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/archive/delta_file_test.cpp)
