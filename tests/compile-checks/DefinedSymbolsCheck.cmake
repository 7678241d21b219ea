# Checks that PROGRAM defines none of the symbols matching the regexes in FORBIDDEN, and that
# REFERENCE defines every one of them, so that a pattern that matches nothing cannot pass.
#   cmake -DNM=... -DPROGRAM=... -DREFERENCE=... -DFORBIDDEN=regex;regex -P DefinedSymbolsCheck.cmake
foreach(file IN ITEMS PROGRAM REFERENCE)
    execute_process(COMMAND ${NM} -C --defined-only ${${file}} RESULT_VARIABLE status
                    OUTPUT_VARIABLE symbols_${file} ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${NM} cannot read ${${file}}:\n${errors}")
    endif()
endforeach()
foreach(pattern IN LISTS FORBIDDEN)
    if(NOT symbols_REFERENCE MATCHES "${pattern}")
        message(FATAL_ERROR "${REFERENCE} defines nothing matching ${pattern}; the check is stale")
    endif()
    if(symbols_PROGRAM MATCHES "${pattern}")
        message(FATAL_ERROR "${PROGRAM} defines ${CMAKE_MATCH_0}, which must not be there")
    endif()
endforeach()
