// Reading the terminal service's answers (JSON objects) into the payment
// result, as the driver does once a transaction or a void was answered with
// a success status. Raises "Value '%s' not found" for a missing member, the
// conversion error for a member of the wrong kind and "Invalid class
// typecast" for an answer that is JSON but not an object.
#pragma once

#include <string_view>

#include "payment/uOVPaymentDefs.h"

// The answer to "txninit". True when "Result" is 1.
bool ReadTransactionAnswer(std::u16string_view aAnswer, _int_PAY_result& aResult);
// The answer to "txnvoid". True when "Result" is 1.
bool ReadVoidAnswer(std::u16string_view aAnswer, _int_PAY_result& aResult);
