# The extension's layers, and the build that keeps their includes pointing downward only:
#   platform -> host -> settings, sequences -> animation -> presentation -> integration
# (settings and sequences are siblings and see neither each other).
#
# Each layer's headers are staged, as symbolic links, in a folder of its own in the build tree
# (build/layers/LAYER/LAYER/File.h), and each layer is compiled with only its own stage and the
# stages below it on the include path. An include of a header from a layer above, or from a
# sibling, therefore names a file the compiler cannot find, and the build fails.
#
# The common kit below the simulator and the tools is a layer of the same kind, above the
# platform alone. Programs above the extension and the kit (the simulator, the soak harness, the
# tools, the tests, the benchmarks and the fuzz programs) see the whole source tree instead.
#
# A layer's files that hold the extension's process-wide state (a record, a registered class)
# are named after STATE and built into an object library of their own, velorin_<folder>_state,
# so that the tools can link the layers' readers without a second copy of that state beside
# the one in the libvelorin.so they load.

set(VELORIN_LAYER_STAGE ${PROJECT_BINARY_DIR}/layers)

# Stages the headers of `folder` in ${VELORIN_LAYER_STAGE}/<folder>.
function(velorin_stage_layer_headers folder)
    set(stage ${VELORIN_LAYER_STAGE}/${folder})
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
         ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    # Links of headers that have gone are removed, so that a stale one cannot be included.
    if(EXISTS ${stage})
        file(GLOB_RECURSE staged LIST_DIRECTORIES false RELATIVE ${stage} ${stage}/*)
        foreach(link IN LISTS staged)
            if(NOT link IN_LIST headers)
                file(REMOVE ${stage}/${link})
            endif()
        endforeach()
    endif()
    foreach(header IN LISTS headers)
        get_filename_component(folder_of_header ${stage}/${header} DIRECTORY)
        file(MAKE_DIRECTORY ${folder_of_header})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${stage}/${header} SYMBOLIC)
    endforeach()
endfunction()

# One OBJECT library per layer: velorin_<folder>, made of the folder's sources (less any given
# after EXCLUDE or STATE), seeing its own stage and, through the layers it is given after BELOW,
# theirs; and velorin_<folder>_state of the files given after STATE, when there are any.
function(velorin_layer folder)
    cmake_parse_arguments(LAYER "" "" "BELOW;EXCLUDE;LIBRARIES;STATE" ${ARGN})
    velorin_stage_layer_headers(${folder})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    foreach(excluded IN LISTS LAYER_EXCLUDE LAYER_STATE)
        list(FILTER sources EXCLUDE REGEX ".*/${excluded}$")
    endforeach()
    set(target velorin_${folder})
    add_library(${target} OBJECT ${sources})
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${VELORIN_LAYER_STAGE}/${folder}>)
    target_link_libraries(${target} PUBLIC ${LAYER_BELOW} ${LAYER_LIBRARIES})
    # GNU unique symbols would pin the library in memory after dlclose, so a host that unloads
    # it and loads it again would see the old state. Only GCC makes them; clang has no such
    # option.
    target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
    if(LAYER_STATE)
        list(TRANSFORM LAYER_STATE PREPEND ${PROJECT_SOURCE_DIR}/${folder}/)
        add_library(${target}_state OBJECT ${LAYER_STATE})
        target_link_libraries(${target}_state PUBLIC ${target})
        target_compile_options(${target}_state PRIVATE $<$<CXX_COMPILER_ID:GNU>:-fno-gnu-unique>)
    endif()
endfunction()
