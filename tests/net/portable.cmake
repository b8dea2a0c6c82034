# The URL parser's tests need no platform headers: they also run natively under the sanitizers.
list(APPEND MORVANTA_PORTABLE_TESTS ${CMAKE_SOURCE_DIR}/tests/net/url_test.cpp)
list(APPEND MORVANTA_PORTABLE_TESTS ${CMAKE_SOURCE_DIR}/tests/net/resume_rules_test.cpp)
