# The text helpers need no platform headers: they also run natively under the sanitizers.
list(APPEND MORVANTA_PORTABLE_TESTS ${CMAKE_SOURCE_DIR}/tests/base/text_test.cpp)
