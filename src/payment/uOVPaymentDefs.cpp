#include "payment/uOVPaymentDefs.h"

#include <iterator>

namespace {

const char16_t* const kNetworkWords[] = {
    u"bank", u"cheque", u"visa", u"amex", u"mastercard", u"jcb",
    u"cup", u"diners", u"maestro", u"NHS", u"edenred", u"day",
    u"sodexo", u"pellegrini", u"bluticket", u"jakala", u"miglunch", u"alipay",
    u"discover", u"doku", u"dragonpay", u"molpay", u"vpay", u"amazonpay",
    u"applepay", u"samsungpay", u"paypal", u"yandex", u"quiticket", u"repas",
    u"ristomat", u"agape", u"lunchtime", u"quiwelfare", u"ep", u"cir",
    u"gemeaz", u"satispay", u"jiffy", u"bitcoin", u"tinaba", u"scalapay",
    u"unrecognized", u"other",
};

const char16_t* const kTransactionTypeWords[] = {
    u"CHIP", u"MAGSTRIPE", u"MANUAL", u"CLESS", u"CLESSMAGSTRIPE", u"CLESSCHIP", u"", u"OTHER", u"TOKEN",
};

}  // namespace

const ovCurrencyMap CurrencyMaps[175] = {
    {u"AED", u"784"}, {u"AFN", u"971"}, {u"ALL", u"008"}, {u"AMD", u"051"}, {u"ANG", u"532"}, {u"AOA", u"973"},
    {u"ARS", u"032"}, {u"AUD", u"036"}, {u"AWG", u"533"}, {u"AZN", u"944"}, {u"BAM", u"977"}, {u"BBD", u"052"},
    {u"BDT", u"050"}, {u"BGN", u"975"}, {u"BHD", u"048"}, {u"BIF", u"108"}, {u"BMD", u"060"}, {u"BND", u"096"},
    {u"BOB", u"068"}, {u"BOV", u"984"}, {u"BRL", u"986"}, {u"BSD", u"044"}, {u"BTN", u"064"}, {u"BWP", u"072"},
    {u"BYR", u"974"}, {u"BZD", u"084"}, {u"CAD", u"124"}, {u"CDF", u"976"}, {u"CHE", u"947"}, {u"CHF", u"756"},
    {u"CHW", u"948"}, {u"CLF", u"990"}, {u"CLP", u"152"}, {u"CNY", u"156"}, {u"COP", u"170"}, {u"COU", u"970"},
    {u"CRC", u"188"}, {u"CUC", u"931"}, {u"CUP", u"192"}, {u"CVE", u"132"}, {u"CZK", u"203"}, {u"DJF", u"262"},
    {u"DKK", u"208"}, {u"DOP", u"214"}, {u"DZD", u"012"}, {u"EGP", u"818"}, {u"ERN", u"232"}, {u"ETB", u"230"},
    {u"EUR", u"978"}, {u"FJD", u"242"}, {u"FKP", u"238"}, {u"GBP", u"826"}, {u"GEL", u"981"}, {u"GHS", u"936"},
    {u"GIP", u"292"}, {u"GMD", u"270"}, {u"GNF", u"324"}, {u"GTQ", u"320"}, {u"GYD", u"328"}, {u"HKD", u"344"},
    {u"HNL", u"340"}, {u"HRK", u"191"}, {u"HTG", u"332"}, {u"HUF", u"348"}, {u"IDR", u"360"}, {u"ILS", u"376"},
    {u"INR", u"356"}, {u"IQD", u"368"}, {u"IRR", u"364"}, {u"ISK", u"352"}, {u"JMD", u"388"}, {u"JOD", u"400"},
    {u"JPY", u"392"}, {u"KES", u"404"}, {u"KGS", u"417"}, {u"KHR", u"116"}, {u"KMF", u"174"}, {u"KPW", u"408"},
    {u"KRW", u"410"}, {u"KWD", u"414"}, {u"KYD", u"136"}, {u"KZT", u"398"}, {u"LAK", u"418"}, {u"LBP", u"422"},
    {u"LKR", u"144"}, {u"LRD", u"430"}, {u"LSL", u"426"}, {u"LYD", u"434"}, {u"MAD", u"504"}, {u"MDL", u"498"},
    {u"MGA", u"969"}, {u"MKD", u"807"}, {u"MMK", u"104"}, {u"MNT", u"496"}, {u"MOP", u"446"}, {u"MRO", u"478"},
    {u"MUR", u"480"}, {u"MVR", u"462"}, {u"MWK", u"454"}, {u"MXN", u"484"}, {u"MXV", u"979"}, {u"MYR", u"458"},
    {u"MZN", u"943"}, {u"NAD", u"516"}, {u"NGN", u"566"}, {u"NIO", u"558"}, {u"NOK", u"578"}, {u"NPR", u"524"},
    {u"NZD", u"554"}, {u"OMR", u"512"}, {u"PAB", u"590"}, {u"PEN", u"604"}, {u"PGK", u"598"}, {u"PHP", u"608"},
    {u"PKR", u"586"}, {u"PLN", u"985"}, {u"PYG", u"600"}, {u"QAR", u"634"}, {u"RON", u"946"}, {u"RSD", u"941"},
    {u"RUB", u"643"}, {u"RWF", u"646"}, {u"SAR", u"682"}, {u"SBD", u"090"}, {u"SCR", u"690"}, {u"SDG", u"938"},
    {u"SEK", u"752"}, {u"SGD", u"702"}, {u"SHP", u"654"}, {u"SLL", u"694"}, {u"SOS", u"706"}, {u"SRD", u"968"},
    {u"SSP", u"938"}, {u"STD", u"678"}, {u"SYP", u"760"}, {u"SZL", u"748"}, {u"THB", u"764"}, {u"TJS", u"972"},
    {u"TMT", u"795"}, {u"TND", u"788"}, {u"TOP", u"776"}, {u"TRY", u"949"}, {u"TTD", u"780"}, {u"TWD", u"901"},
    {u"TZS", u"834"}, {u"UAH", u"980"}, {u"UGX", u"800"}, {u"USD", u"840"}, {u"USN", u"997"}, {u"USS", u"998"},
    {u"UYU", u"858"}, {u"UZS", u"860"}, {u"VEF", u"862"}, {u"VND", u"704"}, {u"VUV", u"548"}, {u"WST", u"882"},
    {u"XAF", u"950"}, {u"XAG", u"961"}, {u"XAU", u"959"}, {u"XBA", u"955"}, {u"XBB", u"956"}, {u"XBC", u"957"},
    {u"XBD", u"958"}, {u"XCD", u"951"}, {u"XDR", u"960"}, {u"XOF", u"952"}, {u"XPD", u"964"}, {u"XPF", u"953"},
    {u"XPT", u"962"}, {u"XTS", u"963"}, {u"XXX", u"999"}, {u"YER", u"886"}, {u"ZAR", u"710"}, {u"ZMW", u"894"},
    {u"ZWL", u"932"},
};

std::u16string PaymentNetworkToString(ovPaymentNetwork aValue) {
  if (aValue >= std::size(kNetworkWords)) return u"unrecognized";
  return kNetworkWords[aValue];
}

std::u16string TransactionTypeToString(ovPaymentTransactionType aValue) {
  if (aValue >= std::size(kTransactionTypeWords)) return {};
  return kTransactionTypeWords[aValue];
}

std::u16string CurrencyCodeToNumber(const std::u16string& aCode) {
  for (const auto& row : CurrencyMaps) {
    if (aCode == row.Code) return row.Number;
  }
  return {};
}

std::u16string CurrencyNumberToCode(const std::u16string& aNumber) {
  for (const auto& row : CurrencyMaps) {
    if (aNumber == row.Number) return row.Code;
  }
  return {};
}

_int_PAY_result _int_PAY_result::Defaults() {
  _int_PAY_result result;
  result.TransactionType = ptt_Other;
  result.PaymentNetwork = Other;
  result.Error = true;
  return result;
}

_int_REPRINT_result _int_REPRINT_result::Defaults() {
  _int_REPRINT_result result;
  result.Error = true;
  return result;
}

_int_OPEN_result _int_OPEN_result::Defaults() {
  _int_OPEN_result result;
  result.Error = true;
  return result;
}

_int_CLOSE_result _int_CLOSE_result::Defaults() {
  _int_CLOSE_result result;
  result.Error = true;
  return result;
}

_int_GETSTATUS_result _int_GETSTATUS_result::Defaults() {
  _int_GETSTATUS_result result;
  result.Error = true;
  return result;
}

_int_DAYCLOSE_result _int_DAYCLOSE_result::Defaults() {
  _int_DAYCLOSE_result result;
  result.Error = true;
  return result;
}

_int_GETTOTALS_result _int_GETTOTALS_result::Defaults() {
  _int_GETTOTALS_result result;
  result.Error = true;
  return result;
}
