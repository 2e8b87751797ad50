// A vendor library stand-in for the DLL handler's tests.
extern "C" __attribute__((visibility("default"))) int ov_test_add(int aLeft, int aRight) {
  return aLeft + aRight;
}
