// A vendor library stand-in for the DLL handler's tests. When it is loaded,
// its constructor leaves a mark: the file $OV_TEST_LIBRARY_MARK, when that is
// set, so that a test can tell whether anything loaded it.
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((constructor)) void LeaveMark() {
  if (const char* mark = std::getenv("OV_TEST_LIBRARY_MARK")) {
    if (std::FILE* file = std::fopen(mark, "w")) std::fclose(file);
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int ov_test_add(int aLeft, int aRight) {
  return aLeft + aRight;
}
