# Sources of this folder that build without platform headers.
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/base/text.cpp)
