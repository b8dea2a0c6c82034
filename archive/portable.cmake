# Sources of this folder that build without platform headers, with the plain file API.
list(APPEND MORVANTA_PORTABLE_SOURCES
    ${CMAKE_SOURCE_DIR}/archive/delta_file.cpp
    ${CMAKE_SOURCE_DIR}/archive/dos_time.cpp
    ${CMAKE_SOURCE_DIR}/archive/entry_name.cpp
    ${CMAKE_SOURCE_DIR}/archive/plain_folder_places.cpp
    ${CMAKE_SOURCE_DIR}/archive/unpack_entries.cpp
    ${CMAKE_SOURCE_DIR}/archive/zip_reader.cpp
    ${CMAKE_SOURCE_DIR}/archive/zip_stream.cpp
    ${CMAKE_SOURCE_DIR}/archive/zip_stream_beside.cpp
    ${CMAKE_SOURCE_DIR}/archive/zip_file_io_posix.cpp)
