# Configures and builds the engine by itself, and fails if any engine source
# names a toolkit header.
file(GLOB engine_sources ${SOURCE}/engine/*.h ${SOURCE}/engine/*.cpp)
foreach(source ${engine_sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
        if(line MATCHES "<(Q[A-Za-z]|SDL|qt)")
            message(FATAL_ERROR "${source} includes a toolkit header: ${line}")
        endif()
    endforeach()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -DKLAVET_ENGINE_ONLY=ON
                RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
    message(FATAL_ERROR "engine-only configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} --target klavet_engine sign_table_test
                RESULT_VARIABLE built)
if(NOT built EQUAL 0)
    message(FATAL_ERROR "engine-only build failed")
endif()
