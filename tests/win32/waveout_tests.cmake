# The wave-output device and the hidden wave-out window on the real wave output: under
# wine, the test environment's PulseAudio null sink. They hold the audio lock so that
# their streams never run beside a capture.
vp_add_gtest(waveout_tests
  wave_out_device_test.cpp
  wave_out_window_test.cpp
  controls_test_support.cpp
  LIBS vantor_waveout vantor_controls
  PROPERTIES RESOURCE_LOCK audio)
