# Sources of this folder that build without platform headers.
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/bootstrap/manifest.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/bootstrap/manifest_signature.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/bootstrap/runtime_choice.cpp)
list(APPEND MORVANTA_PORTABLE_SOURCES ${CMAKE_SOURCE_DIR}/bootstrap/java_rule.cpp)
