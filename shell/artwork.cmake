# The pictures of the trainer, painted in code with QPainter.
find_package(Qt6 REQUIRED COMPONENTS Gui)
add_library(klavet_artwork STATIC artwork.cpp artwork_key.cpp artwork_icons.cpp artwork_paint.cpp)
target_include_directories(klavet_artwork PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(klavet_artwork PUBLIC Qt6::Gui)
