# Sources of this folder that build without platform headers.
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/net/url.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/net/resume_rules.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/net/digest_text.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/net/retry_rules.cpp)
