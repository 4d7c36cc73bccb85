# The control gallery: every control of the library in one window, with the library's
# artwork linked in (the player's own resources do not hold the further controls' bitmaps).
# A console program, so it can say where its screenshot went.
add_executable(gallery gallery.cpp)
target_link_libraries(gallery PRIVATE vantor_controls vantor_win32 vantor_control_resources vantor_library_resources)

# The gallery starts, animates and saves its screenshot (the README's picture).
add_test(NAME gallery_screenshot
         COMMAND gallery --screenshot ${CMAKE_BINARY_DIR}/gallery.bmp --seconds 2)
set_tests_properties(gallery_screenshot PROPERTIES PASS_REGULAR_EXPRESSION "screenshot: " TIMEOUT 60)
