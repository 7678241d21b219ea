# Warning and sanitizer flags for every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wcast-align -Wunused -Wformat=2
                    -Wimplicit-fallthrough
                    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>
                    $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast>
                    $<$<COMPILE_LANGUAGE:CXX>:-Woverloaded-virtual>)
if(VELORIN_WARNINGS_AS_ERRORS)
    add_compile_options(-Werror)
endif()
if(VELORIN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
# The thread sanitizer, for the code that runs on more than one thread (frame decoding). It
# cannot be combined with the address sanitizer, so it is a build of its own.
option(VELORIN_SANITIZE_THREAD "Build with the thread sanitizer" OFF)
if(VELORIN_SANITIZE_THREAD)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()
