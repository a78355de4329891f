# Runs lupdate over the program's sources into a copy of the English
# catalogue: any text it adds (a new tr() without a translation) or finds
# changed is left "unfinished", and fails the test.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${SOURCE}/i18n/klavet_en.ts" DESTINATION "${WORK}")
execute_process(
    COMMAND "${LUPDATE}" app engine rhythm shell -extensions cpp,h -locations none -source-language fr
            -target-language en -no-obsolete -ts "${WORK}/klavet_en.ts"
    WORKING_DIRECTORY "${SOURCE}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "lupdate failed: ${out}")
endif()
set(CATALOGUES "${WORK}/klavet_en.ts")
include("${SOURCE}/tools/check_catalogues.cmake")
file(READ "${SOURCE}/i18n/klavet_en.ts" committed)
file(READ "${WORK}/klavet_en.ts" updated)
if(NOT committed STREQUAL updated)
    message(FATAL_ERROR "i18n/klavet_en.ts is not as lupdate leaves it: run lupdate and translate what it adds")
endif()
