# The signed manifest's pure rules need no platform headers: they also run natively under the sanitizers.
list(APPEND MORVANTA_PORTABLE_TESTS ${CMAKE_SOURCE_DIR}/tests/signing/manifest_signature_test.cpp)
