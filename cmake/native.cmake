# Native (Linux, clang) build of the platform-free code: the manifest reader,
# the URL parser and the zip reader, with AddressSanitizer and
# UndefinedBehaviorSanitizer, their unit tests, and libFuzzer targets.

set(MORVANTA_SANITIZERS "address,undefined" CACHE STRING "Sanitizers for the native build")
add_compile_options(-fsanitize=${MORVANTA_SANITIZERS} -fno-omit-frame-pointer
                    -fno-sanitize-recover=all -g -Wall -Wextra)
add_link_options(-fsanitize=${MORVANTA_SANITIZERS})

find_package(ZLIB REQUIRED)
find_library(MORVANTA_ZSTD_LIBRARY zstd REQUIRED)  # Debian's libzstd-dev
add_library(morvanta_zstd INTERFACE)
target_link_libraries(morvanta_zstd INTERFACE ${MORVANTA_ZSTD_LIBRARY})

# Each platform-free module lists its sources in its own folder's portable.cmake.
set(MORVANTA_PORTABLE_SOURCES "")
foreach(folder base files bootstrap net archive)
    if(EXISTS ${CMAKE_SOURCE_DIR}/${folder}/portable.cmake)
        include(${CMAKE_SOURCE_DIR}/${folder}/portable.cmake)
    endif()
endforeach()
add_library(morvanta_portable STATIC ${MORVANTA_PORTABLE_SOURCES})
target_include_directories(morvanta_portable PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(morvanta_portable PUBLIC ZLIB::ZLIB)

include(CTest)
if(BUILD_TESTING)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

    # Test sources that use no platform headers, listed by each area in tests/<area>/portable.cmake.
    set(MORVANTA_PORTABLE_TESTS "")
    foreach(area base files bootstrap manifest net archive signing)
        if(EXISTS ${CMAKE_SOURCE_DIR}/tests/${area}/portable.cmake)
            include(${CMAKE_SOURCE_DIR}/tests/${area}/portable.cmake)
        endif()
    endforeach()
    if(MORVANTA_PORTABLE_TESTS)
        add_executable(portable_tests ${MORVANTA_PORTABLE_TESTS})
        target_link_libraries(portable_tests PRIVATE morvanta_portable gtest gtest_main)
        target_include_directories(portable_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        add_test(NAME portable_tests COMMAND portable_tests --gtest_color=no)
    endif()

    add_subdirectory(${CMAKE_SOURCE_DIR}/tests/fuzz ${CMAKE_BINARY_DIR}/fuzz)
endif()

add_subdirectory(${CMAKE_SOURCE_DIR}/tools/publish ${CMAKE_BINARY_DIR}/publish)

if(BUILD_TESTING)
    add_test(NAME publish_tool
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/publish/publish_test.sh $<TARGET_FILE:morvanta-publish>)
    set_tests_properties(publish_tool PROPERTIES TIMEOUT 300 RESOURCE_LOCK publish_ports)
endif()

# Zip reader against Python's zipfile on random archives.
add_library(morvanta_test_support STATIC ${CMAKE_SOURCE_DIR}/tests/support/portable_extract.cpp)
target_include_directories(morvanta_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(morvanta_test_support PUBLIC morvanta_portable)
add_executable(extract_cli ${CMAKE_SOURCE_DIR}/tests/differential/extract_cli.cpp)
target_link_libraries(extract_cli PRIVATE morvanta_test_support)
if(BUILD_TESTING)
    add_test(NAME zip_differential
             COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/differential/differential_test.py
                     $<TARGET_FILE:extract_cli> 200)
    set_tests_properties(zip_differential PROPERTIES TIMEOUT 600)
endif()
