# Compiles SOURCE twice with the C++ compiler: as it is, which must succeed, and with
# VELORIN_COMPILE_CHECK_FAULT defined, which must fail with an error matching EXPECT. The first
# run shows the check is not failing for an unrelated reason.
#   cmake -DCOMPILER=... -DSOURCE=... -DINCLUDES=dir;dir -DEXPECT=regex -P CompileCheck.cmake
set(arguments -std=c++20 -fsyntax-only)
foreach(folder IN LISTS INCLUDES)
    list(APPEND arguments -I${folder})
endforeach()
execute_process(COMMAND ${COMPILER} ${arguments} ${SOURCE} RESULT_VARIABLE status
                ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${SOURCE} does not compile even without the fault:\n${errors}")
endif()
execute_process(COMMAND ${COMPILER} ${arguments} -DVELORIN_COMPILE_CHECK_FAULT ${SOURCE}
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(status EQUAL 0)
    message(FATAL_ERROR "${SOURCE} compiles with the fault; it must not")
endif()
if(NOT errors MATCHES "${EXPECT}")
    message(FATAL_ERROR "${SOURCE} fails with the fault, but not as expected (${EXPECT}):\n${errors}")
endif()
