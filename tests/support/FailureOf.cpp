#include "support/FailureOf.h"

#include "base/uOV_Exception.h"

std::u16string FailureOf(const std::function<void()>& aAction) {
  try {
    aAction();
  } catch (const tOV_Exception& error) {
    return error.Message();
  }
  return u"(no failure)";
}
