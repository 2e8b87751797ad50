// The host side of the entry tests: the library's load order (application
// object, then the tables, then the registration of the test driver) for
// every test, and calls of the exports in-process with BSTRs as a host makes
// them. Each test starts from a fresh load, so its first handle is 1.
#pragma once

#include <memory>
#include <string>

#include "OVPA_DOVAVAREZU_10.h"
#include "entry/uOVDeviceTable.h"
#include "payment/TestPaymentDevice.h"
#include "platform/ovBstr.h"

struct Answer {
  int16_t result = 0;
  std::u16string output;
  std::u16string message;
  bool messageWasNull = false;

  // The handle an OPEN reported; -1 when the fragment has none.
  int Handle() const {
    const std::u16string open = u"<Handle>";
    if (output.rfind(open, 0) != 0) return -1;
    return std::stoi(Utf16ToUtf8(output.substr(open.size(), output.find(u'<', open.size()) - open.size())));
  }
  bool Contains(const std::u16string& aText) const { return output.find(aText) != std::u16string::npos; }
};

inline Answer Call(OvpaOperation aOperation, const std::u16string& aRequest) {
  BSTR request = TextToBstr(aRequest);
  BSTR output = nullptr;
  BSTR message = nullptr;
  Answer answer;
  answer.result = aOperation(request, &output, &message);
  SysFreeString(request);
  answer.output = BstrToText(output);
  answer.message = BstrToText(message);
  answer.messageWasNull = message == nullptr;
  SysFreeString(output);
  SysFreeString(message);
  return answer;
}

class DeviceTableHost : public TestHost {
 protected:
  void SetUp() override {
    TestHost::SetUp();
    InitializePaymentTables();
    PaymentTables()->RegisterClass(kTestDriverName, kTestPaymentDevice::Construct);
  }
  void TearDown() override {
    FinalizePaymentTables();
    TestHost::TearDown();
  }

  // OPEN of a new test device; answers its handle.
  static int Open(const std::u16string& aLogId) {
    const Answer answer = Call(OPEN, TestRequest(aLogId));
    EXPECT_EQ(answer.result, 0) << Utf16ToUtf8(answer.message);
    return answer.Handle();
  }
  static Answer Close(int aHandle) { return Call(CLOSE, TestRequest(u"close", aHandle)); }
  static int LastHandle() { return PaymentTables()->LastHandle(); }
  // The open test device under this handle, as the table holds it.
  static std::shared_ptr<kTestPaymentDevice> Device(int aHandle) {
    kPaymentHandler handler;
    handler.Deserialize(TestRequest(u"lookup", aHandle), {dt_Open});
    return std::dynamic_pointer_cast<kTestPaymentDevice>(PaymentTables()->GetDevice(handler, false));
  }
};
