# The fuzz build: a separate clang build in which the fuzz programs of fuzz/ are linked with
# libFuzzer. Every target of that build is compiled with the address and undefined-behaviour
# sanitizers and with libFuzzer's coverage hooks, so that a fault anywhere in the project's own
# code stops the run and the fuzzer is guided by which branches of that code an input reaches.
# The option is off in the ordinary build, which it leaves untouched.
option(VELORIN_FUZZ "Build the libFuzzer programs in fuzz/ (clang only)" OFF)
if(VELORIN_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VELORIN_FUZZ needs clang's libFuzzer: configure a separate build "
                            "with CC=clang CXX=clang++")
    endif()
    add_compile_options(-fsanitize=address,undefined -fsanitize=fuzzer-no-link
                        -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
