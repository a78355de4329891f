add_library(klavet_sound STATIC sound_output.cpp)
target_include_directories(klavet_sound PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(klavet_sound PUBLIC klavet_engine)
