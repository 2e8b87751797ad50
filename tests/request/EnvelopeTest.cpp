#include <gtest/gtest.h>

#include "base/uOV_Exception.h"
#include "request/uOvDeviceHandler.h"
#include "support/FailureOf.h"

namespace {

std::u16string DeserializeFailure(const std::u16string& aXml) {
  kDeviceHandler handler;
  return FailureOf([&] { handler.Deserialize(aXml); });
}

TEST(Envelope, ReadsFieldsAndHttpConnection) {
  kDeviceHandler handler;
  handler.Deserialize(
      u"<Any><Type>Payment</Type><Driver>OVPA_DOVAVAREZU_10</Driver><Method>Open</Method><Handle>3</Handle>"
      u"<LogId>7</LogId><Connection><Type>Http</Type><ConnectTimeout>0</ConnectTimeout><ReadTimeout>-5</ReadTimeout>"
      u"<URL>https://x</URL><Address>10.0.0.5</Address><Port>8080</Port><AuthType>token</AuthType>"
      u"<SerialPort>ttyS0</SerialPort></Connection></Any>");
  EXPECT_EQ(handler.Type(), u"Payment");
  EXPECT_EQ(handler.Driver(), u"OVPA_DOVAVAREZU_10");
  EXPECT_EQ(handler.DeviceHandle(), 3);
  EXPECT_EQ(handler.LogId(), u"7");
  const kConnection& c = handler.Connection();
  EXPECT_EQ(c.ConnectionType(), ovConnectionType::HTTP);
  EXPECT_EQ(c.ConnectTimeOut(), 1000);
  EXPECT_EQ(c.ReadTimeOut(), 1000);
  EXPECT_EQ(c.URL(), u"https://x");
  EXPECT_EQ(c.Address(), u"10.0.0.5");
  EXPECT_EQ(c.Port(), 8080);
  EXPECT_EQ(c.AuthType(), ovHTTPAuthType::at_None);
  EXPECT_EQ(c.SerialPort(), u"");  // not read for HTTP
}

TEST(Envelope, PrinterConnectionsReadTheirPrinterAndControl) {
  const struct {
    std::u16string connection;
    std::u16string deviceName, libraryName, printerName;
  } cases[] = {
      {u"<Type>opos</Type><DeviceName>FiscalPrinter</DeviceName><LibraryName>libfptr.so</LibraryName>"
       u"<PrinterName>P</PrinterName>",
       u"FiscalPrinter", u"libfptr.so", u""},
      {u"<Type>SPOOL</Type><DeviceName>D</DeviceName><LibraryName>L</LibraryName><PrinterName>Receipt</PrinterName>",
       u"", u"", u"Receipt"},
  };
  for (const auto& c : cases) {
    kDeviceHandler handler;
    handler.Deserialize(u"<R><Connection>" + c.connection + u"</Connection></R>");
    EXPECT_EQ(handler.Connection().DeviceName(), c.deviceName);
    EXPECT_EQ(handler.Connection().LibraryName(), c.libraryName);
    EXPECT_EQ(handler.Connection().PrinterName(), c.printerName);
  }
}

TEST(Envelope, WithoutConnectionDescribesOpos) {
  kDeviceHandler handler;
  handler.Deserialize(u"<R/>");
  EXPECT_EQ(handler.Connection().ConnectionType(), ovConnectionType::OPOS);
  EXPECT_EQ(handler.Connection().ReadTimeOut(), 1000);
}

TEST(Envelope, ReportsConnectionWordsAndReaderErrors) {
  const struct {
    const char16_t* xml;
    const char16_t* message;
  } cases[] = {
      {u"<R><Connection><Type>USB</Type></Connection></R>", u"Connection Type USB is not valid"},
      {u"<R><Connection/></R>", u"Connection Type  is not valid"},
      {u"<R><Connection><Type>serial</Type></Connection></R>", u"Connection Parity  is not valid"},
      {u"<R><Connection><Type>SERIAL</Type><Parity>mark</Parity></Connection></R>", u"Connection Parity mark is not valid"},
      {u"<R><Handle>x</Handle></R>", u"Error in processing node Handle as integer.\r\n'x' is not a valid integer value"},
      {u"<R><Parameters><ConnectTimeout>abc</ConnectTimeout></Parameters></R>", u"'abc' is not a valid integer value"},
  };
  for (const auto& c : cases) EXPECT_EQ(DeserializeFailure(c.xml), c.message);
}

TEST(Envelope, LooksParametersUpWithoutRegardToCase) {
  kDeviceHandler handler;
  handler.Deserialize(
      u"<R><Connection><Type>HTTP</Type><ConnectTimeout>2000</ConnectTimeout></Connection><Parameters>"
      u"<TermId>T1</TermId><User>A</User><User>B</User><DeviceName>Dev</DeviceName><ConnectTimeout>3000</ConnectTimeout>"
      u"</Parameters></R>");
  EXPECT_EQ(handler.GetParameter(u"TermId"), u"T1");
  EXPECT_EQ(handler.GetParameter(u"TERMID"), u"T1");
  EXPECT_EQ(handler.GetParameter(u"termid"), u"T1");
  EXPECT_EQ(handler.GetParameter(u"User"), u"A");
  EXPECT_EQ(handler.Parameters()[2], u"user=A");  // both lines carry the first value
  EXPECT_TRUE(handler.ParameterExists(u"deviceNAME"));
  EXPECT_FALSE(handler.ParameterExists(u"Missing"));
  EXPECT_EQ(handler.Connection().DeviceName(), u"Dev");
  EXPECT_EQ(handler.Connection().ConnectTimeOut(), 3000);
  handler.SetParameter(u"User", u"");
  EXPECT_EQ(handler.GetParameter(u"User"), u"A");  // the second line stays
  handler.SetParameter(u"Extra", u"1");
  EXPECT_EQ(handler.Parameters().back(), u"Extra=1");
}

TEST(Envelope, SerializesHandleOnlyWhenNotOpening) {
  kDeviceHandler handler;
  handler.Deserialize(u"<R><Method>OPEN</Method><Handle>4</Handle><Parameters><A>1</A></Parameters></R>");
  const std::u16string open = handler.Serialize();
  EXPECT_EQ(open.find(u"<Handle>"), std::u16string::npos);
  EXPECT_NE(open.find(u"<ReceiptPrinterManager Version=\"1.0\"><Type></Type><Driver></Driver><Method>OPEN</Method><LogId></LogId><Connection><Type>OPOS</Type>"), std::u16string::npos);
  EXPECT_NE(open.find(u"<Parameters><a>1</a></Parameters>"), std::u16string::npos);
  handler.SetMethod(u"Pay");
  EXPECT_NE(handler.Serialize().find(u"<Handle>4</Handle>"), std::u16string::npos);
}

}  // namespace
