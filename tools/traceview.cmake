# The trace viewer: a console program that owns the "MESSAGE" window and prints the
# player's trace lines.
add_executable(traceview traceview.cpp)
target_link_libraries(traceview PRIVATE vantor_win32)
