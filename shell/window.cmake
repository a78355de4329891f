# The main window and the help box.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

# The tick clock is plain C++, testable without the toolkit.
add_library(klavet_tick_clock STATIC tick_clock.cpp)
target_include_directories(klavet_tick_clock PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(klavet_tick_clock PUBLIC klavet_engine)

add_library(klavet_window STATIC
    main_window.cpp
    help_box.cpp
    widgets.cpp
    design_font.cpp
    accessibility.cpp
)
set_target_properties(klavet_window PROPERTIES AUTOMOC ON)
target_include_directories(klavet_window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(klavet_window PUBLIC klavet_tick_clock klavet_engine klavet_sound klavet_artwork Qt6::Widgets)
