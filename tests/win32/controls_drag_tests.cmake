# The drag the pointer-following controls keep for their class, with all the artwork linked in.
vp_add_gtest(controls_drag_tests
  controls_test_support.cpp
  controls_drag_test.cpp
  LIBS vantor_controls vantor_control_resources vantor_library_resources)
