# The trace viewer: a console program that owns the "MESSAGE" window and prints the
# player's trace lines.
add_executable(traceview traceview.cpp)
target_include_directories(traceview PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(traceview PRIVATE user32 gdi32)
