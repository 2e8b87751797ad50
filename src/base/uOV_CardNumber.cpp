#include "base/uOV_CardNumber.h"

#include <algorithm>

namespace {

constexpr size_t kShownLeading = 6;
constexpr size_t kShownTrailing = 4;
// The shortest card number that may show its six leading digits.
constexpr size_t kShortestFullNumber = 12;

}  // namespace

std::u16string MaskCardNumber(std::u16string_view aCardNumber) {
  std::u16string masked(aCardNumber);
  const size_t length = masked.size();
  const size_t first = length >= kShortestFullNumber ? kShownLeading : 0;
  const size_t end = length - std::min(length, kShownTrailing);
  for (size_t i = first; i < end; ++i) {
    if (masked[i] >= u'0' && masked[i] <= u'9') masked[i] = u'*';
  }
  return masked;
}
