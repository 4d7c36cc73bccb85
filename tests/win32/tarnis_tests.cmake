# TARNIS.DLL under wine: the bitmap button, the frame hooks and the task window, in dialogs
# made from templates. The buttons' picture is drawn at build time.
find_program(VP_PYTHON3 python3 REQUIRED)
set(TARNIS_TEST_BITMAP ${CMAKE_CURRENT_BINARY_DIR}/tarnis_cells.bmp)
add_custom_command(OUTPUT ${TARNIS_TEST_BITMAP}
  COMMAND ${VP_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/make_tarnis_bitmap.py ${TARNIS_TEST_BITMAP}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/make_tarnis_bitmap.py
  VERBATIM)
set_source_files_properties(tarnis_test.rc PROPERTIES OBJECT_DEPENDS ${TARNIS_TEST_BITMAP})

vp_add_gtest(tarnis_tests
  controls_test_support.cpp
  tarnis_button_test.cpp
  tarnis_frame_test.cpp
  tarnis_test.rc
  LIBS tarnis vantor_controls)
target_include_directories(tarnis_tests PRIVATE ${CMAKE_CURRENT_BINARY_DIR})   # windres finds the picture
