# Runs GENERATOR (with SCRIPT as its argument when given) and fails unless its output equals the
# file EXPECTED.
execute_process(COMMAND ${GENERATOR} ${SCRIPT} OUTPUT_VARIABLE generated RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${GENERATOR} ${SCRIPT} failed: ${status}")
endif()
file(READ ${EXPECTED} expected)
if(NOT generated STREQUAL expected)
    message(FATAL_ERROR "${EXPECTED} is out of date; regenerate it with ${GENERATOR} ${SCRIPT}")
endif()
message(STATUS "${EXPECTED} matches its generator")
