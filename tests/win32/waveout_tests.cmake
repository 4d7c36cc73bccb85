# The wave-output device and the hidden wave-out window on the real wave output: under
# wine, the test environment's PulseAudio null sink. The buffers they play are silence,
# so a capture running beside them hears nothing of them.
vp_add_gtest(waveout_tests
  wave_out_device_test.cpp
  wave_out_window_test.cpp
  LIBS vantor_waveout)
