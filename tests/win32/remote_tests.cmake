# vpremote as a second process against a stand-in player window made by the test.
# The stand-in has the player's class and title, so it must not meet a real player of an
# end-to-end test in the same wine session: those hold the audio lock while they run.
vp_add_gtest(remote_tests
  remote_test.cpp
  controls_test_support.cpp
  LIBS vantor_controls
  PROPERTIES RESOURCE_LOCK audio)
add_dependencies(remote_tests vpremote)
