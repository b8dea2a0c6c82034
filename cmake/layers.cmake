# The folders are layers: each may include only its own headers and those of
# the folders below it. A wrong include fails the build of the folder's library.
#
#   app        entry, window, composition
#   bootstrap  the sequence and its decisions
#   net archive render
#   files      (net and archive use it)
#   base       handle owners, support log, text helpers
set(MORVANTA_LAYER_base "")
set(MORVANTA_LAYER_files base)
set(MORVANTA_LAYER_net base files)
set(MORVANTA_LAYER_archive base files)
set(MORVANTA_LAYER_render base)
set(MORVANTA_LAYER_bootstrap base files net archive)
set(MORVANTA_LAYER_app base files net archive render bootstrap)
set(MORVANTA_LAYER_tools/publish base files net archive bootstrap)

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Adds the check of `folder`'s includes to `target`: it runs before the target builds
# and again whenever a file of the folder changes.
function(morvanta_check_layer target folder)
    file(GLOB_RECURSE folder_files CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/${folder}/*.h ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.c)
    string(REPLACE "/" "_" stamp_name "${folder}")
    set(stamp ${CMAKE_BINARY_DIR}/layers/${stamp_name}.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/check_layers.py
                ${PROJECT_SOURCE_DIR} ${folder} ${stamp} ${MORVANTA_LAYER_${folder}}
        DEPENDS ${folder_files} ${PROJECT_SOURCE_DIR}/cmake/check_layers.py ${PROJECT_SOURCE_DIR}/cmake/layers.cmake
        COMMENT "Checking the includes of ${folder}/"
        VERBATIM)
    add_custom_target(${target}_layer_check DEPENDS ${stamp})
    add_dependencies(${target} ${target}_layer_check)
endfunction()

# One static library per folder, linking the libraries of the folders it may use.
function(morvanta_folder_library folder)
    set(target morvanta_${folder})
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    foreach(lower IN LISTS MORVANTA_LAYER_${folder})
        target_link_libraries(${target} PUBLIC morvanta_${lower})
    endforeach()
    morvanta_check_layer(${target} ${folder})
endfunction()
