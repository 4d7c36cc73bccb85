# The player window inside the test program, on the real wave output (it holds the audio
# lock so that its streams never run beside a capture).
vp_add_gtest(player_tests player_test.cpp controls_test_support.cpp
  LIBS vantor_player vantor_resources psapi
  PROPERTIES RESOURCE_LOCK audio)
