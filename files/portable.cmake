# Sources of this folder that build without platform headers.
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/files/folder_trust.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/files/record_trust.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/files/held_verdict.cpp)
