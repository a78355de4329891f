find_package(SDL2 REQUIRED)
find_package(Threads REQUIRED)
add_library(klavet_sound STATIC
    wave_file.cpp
    sound_cache.cpp
    sound_mixer.cpp
    sound_output.cpp)
target_include_directories(klavet_sound PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(klavet_sound PUBLIC klavet_engine PRIVATE SDL2::SDL2 Threads::Threads)
# The three sound files lie beside every program that links the sound output.
add_dependencies(klavet_sound klavet_sound_files)
