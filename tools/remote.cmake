# vpremote: drives and reads a running player from another process (end-to-end tests,
# scripts/vantorplay). A console program, so its output reaches a pipe.
add_executable(vpremote vpremote.cpp)
target_link_libraries(vpremote PRIVATE vantor_control_math vantor_win32)
