# The trace viewer run as its own process beside the test. The viewer's window is found
# by class and title across the whole desktop, so no other test may show one meanwhile.
vp_add_gtest(traceview_tests traceview_test.cpp
  PROPERTIES RESOURCE_LOCK trace_viewer)
add_dependencies(traceview_tests traceview)
