#include "drivers/epay_webecr/uOVPA_Outcome.h"

#include <array>

namespace {

struct NetworkRule {
  std::u16string_view low;   // a begins-with rule when high is empty
  std::u16string_view high;  // both bounds belong to the range
  ovPaymentNetwork network;
};

// Tried in order; the first rule that holds gives the network.
constexpr std::array<NetworkRule, 25> kNetworkRules{{
    {u"2014", {}, Diners},
    {u"2149", {}, Diners},
    {u"222100", u"272099", Mastercard},
    {u"300000", u"305999", Diners},
    {u"34", {}, Amex},
    {u"352800", u"358999", JCB},
    {u"36", {}, Diners},
    {u"37", {}, Amex},
    {u"4", {}, Visa},
    {u"50", {}, Maestro},
    {u"51", {}, Mastercard},
    {u"52", {}, Mastercard},
    {u"53", {}, Mastercard},
    {u"54", {}, Mastercard},
    {u"55", {}, Mastercard},
    {u"56", {}, Maestro},
    {u"57", {}, Maestro},
    {u"58", {}, Maestro},
    {u"6011", {}, Discover},
    {u"622126", u"622925", Discover},
    {u"62", {}, CUP},
    {u"644000", u"649000", Discover},
    {u"65", {}, Discover},
    {u"6", {}, Maestro},
    {u"", {}, Other},  // begins with nothing: always holds
}};

bool Holds(const NetworkRule& aRule, std::u16string_view aPrefix) {
  if (aRule.high.empty()) return aPrefix.starts_with(aRule.low);
  return aRule.low <= aPrefix && aPrefix <= aRule.high;
}

}  // namespace

std::u16string ResultCodeToText(int32_t aResultCode) {
  switch (aResultCode) {
    case 1:
      return {};
    case 2:
      return u"Declined";
    case 3:
      return u"Cancelled";
    case 4:
      return u"Failed";
    case 5:
      return u"Unknown Error";
    case 6:
      return u"Busy";
    case 7:
      return u"Transactions limit reached. Please perform a Batch Closing";
    default:
      return u"Result code not mapped";
  }
}

ovPaymentNetwork DetectPaymentNetwork(std::u16string_view aPrefix) {
  for (const auto& rule : kNetworkRules) {
    if (Holds(rule, aPrefix)) return rule.network;
  }
  return Other;
}
