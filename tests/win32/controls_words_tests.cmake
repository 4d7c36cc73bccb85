# Every control's window words at their published byte indices, with all the artwork linked in.
vp_add_gtest(controls_words_tests
  controls_test_support.cpp
  controls_words_test.cpp
  LIBS vantor_controls vantor_control_resources vantor_library_resources)
