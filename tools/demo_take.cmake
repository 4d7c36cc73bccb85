# The demo take, written by every build beside the programs: 8 channels, 48 kHz, 24-bit,
# 20 s, drawn by a standard-library Python script. The player's run command and package
# need it, so a build without Python stops here rather than lacking it.
find_program(VP_PYTHON3 python3 REQUIRED)
set(VP_DEMO_TAKE ${CMAKE_BINARY_DIR}/bin/demo_take.wav)
add_custom_command(
  OUTPUT ${VP_DEMO_TAKE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/bin
  COMMAND ${VP_PYTHON3} -B ${CMAKE_CURRENT_SOURCE_DIR}/make_demo_take.py ${VP_DEMO_TAKE}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/make_demo_take.py ${CMAKE_CURRENT_SOURCE_DIR}/wave_writer.py
  COMMENT "Writing the demo take"
  VERBATIM)
add_custom_target(demo_take ALL DEPENDS ${VP_DEMO_TAKE})
