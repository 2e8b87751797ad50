// The OPOS handler against the fiscal printer simulator, loaded as the
// plug-in a Linux till would name in its connection.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "io/LogLines.h"
#include "io/uOVIOHandler_OPOS.h"
#include "platform/ovDynLib.h"
#include "platform/ovUtf.h"
#include "request/uOvConnection.h"
#include "support/FailureOf.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// The simulator's own functions, from the same loaded library as the handler's.
struct Simulator {
  Simulator() {
    std::u16string text;
    int32_t code = 0;
    library = LoadDynamicLibrary(Utf8ToUtf16(OV_FPTR_SIM_PATH), text, code);
    addPrinter = reinterpret_cast<int32_t (*)(const char*)>(DynamicLibrarySymbol(library, u"ovfptr_sim_add_printer"));
    setCondition = reinterpret_cast<int32_t (*)(const char*, const char*, int32_t)>(
        DynamicLibrarySymbol(library, u"ovfptr_sim_set_condition"));
    journal = reinterpret_cast<const char* (*)(const char*)>(DynamicLibrarySymbol(library, u"ovfptr_sim_journal"));
    reset = reinterpret_cast<void (*)()>(DynamicLibrarySymbol(library, u"ovfptr_sim_reset"));
  }
  ~Simulator() { FreeDynamicLibrary(library); }

  ovLibraryHandle library = nullptr;
  int32_t (*addPrinter)(const char*) = nullptr;
  int32_t (*setCondition)(const char*, const char*, int32_t) = nullptr;
  const char* (*journal)(const char*) = nullptr;
  void (*reset)() = nullptr;
};

class OposTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockForTesting([] { return kLogTestTime; });
    ASSERT_NE(sim.reset, nullptr);
    sim.reset();
    connection.SetLibraryName(Utf8ToUtf16(OV_FPTR_SIM_PATH));
    connection.SetDeviceName(u"FiscalPrinter");
  }
  void TearDown() override { SetClockForTesting(nullptr); }

  std::unique_ptr<kIOHandler_OPOS> Make(const std::u16string& aFileName = u"DRV_7") {
    return std::make_unique<kIOHandler_OPOS>(&connection, folder.Path16(), aFileName);
  }
  std::vector<std::string> Log(const std::string& aFileName = "DRV_7") {
    return LogMessages(folder.Path() / (aFileName + "_20240315.log"));
  }
  std::string Journal() { return sim.journal("FiscalPrinter"); }

  Simulator sim;
  TempFolder folder;
  kConnection connection;
};

const std::vector<std::string> kConnectLines = {
    kConnectBanner, "kIOHandler_OPOS", "", "ConnectTimeout=1000", "ReadTimeout=1000", "DeviceName=FiscalPrinter",
    "[Connect]->Open(FiscalPrinter)", "[Connect]->ClaimDevice(1000)", "[Connect]->DeviceEnabled:=true"};
const std::vector<std::string> kDisconnectLines = {"[Disconnect]->DeviceEnabled:=false", "[Disconnect]->ReleaseDevice",
                                                   "[Disconnect]->Close"};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> aParts) {
  std::vector<std::string> all;
  for (const auto& part : aParts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(OposTest, AReceiptIsLoggedAsThePartsOfItsCallsAndPrintedWithTheirValues) {
  auto handler = Make();
  ASSERT_TRUE(handler->Connect());
  EXPECT_TRUE(handler->Connected());
  EXPECT_TRUE(handler->SetAdditionalTrailerLine(u"Thank you", false));
  EXPECT_TRUE(handler->SetAdditionalTrailerLine(u"Come again", false));
  EXPECT_TRUE(handler->BeginFiscalReceipt());
  EXPECT_TRUE(handler->SetPreLine(u"Offer"));
  EXPECT_TRUE(handler->PrintRecItem(u"4001", u"Milk", ovCurrency::FromTicks(15000), u"pcs", 1,
                                    ovCurrency::FromUnits(2), ovCurrency::FromUnits(3)));
  EXPECT_TRUE(handler->PrintRecItem(u"", u"O'Hara", ovCurrency::FromUnits(1), u"pcs", 2, ovCurrency::FromTicks(12500),
                                    ovCurrency::FromTicks(12500)));
  EXPECT_TRUE(handler->PrintRecSubtotal(ovCurrency::FromTicks(42500)));
  EXPECT_TRUE(handler->PrintRecTotal(ovCurrency::FromTicks(42500), ovCurrency::FromUnits(5), u"Cash"));
  EXPECT_TRUE(handler->PrintRecMessage(u"Bye"));
  EXPECT_TRUE(handler->EndFiscalReceipt());
  handler.reset();
  EXPECT_EQ(Log(), Joined({{kStartBanner},
                           kConnectLines,
                           {"[SetAdditionalTrailerLine]->AdditionalTrailer=+'Thank you'",
                            "[SetAdditionalTrailerLine]->AdditionalTrailer=+'Come again'",
                            "[BeginFiscalReceipt]->BeginFiscalReceipt(true)", "[SetPreLine]->PreLine='Offer'",
                            "[PrintRecItem]->PrintRecItem('Milk',3,1,1,2,'pcs')",
                            "[PrintRecItem]->PrintRecItem('O''Hara',1.25,1,2,1.25,'pcs')",
                            "[PrintRecSubtotal]->PrintRecSubTotal(4.25)", "[PrintRecTotal]->PrintRecTotal(4.25,5,'Cash')",
                            "[PrintRecMessage]->PrintRecMessage('Bye')", "[EndFiscalReceipt]->EndFiscalReceipt(false)"},
                           kDisconnectLines,
                           {kStopBanner}}));
  // Quantity 1.5 reached the printer as 1500 thousandths; the name unchanged;
  // the two trailer lines each ended by CR LF, printed as two lines.
  EXPECT_EQ(Journal(),
            "SIMULATED FISCAL PRINTER FiscalPrinter\nRECEIPT 1\nOffer\nMilk 1.500 pcs x 2.00 = 3.00 V1\n"
            "O'Hara 1.000 pcs x 1.25 = 1.25 V2\nSUBTOTAL 4.25\nTOTAL 4.25\nCash 5.00\nCHANGE 0.75\nBye\n"
            "Thank you\nCome again\nFISCAL RECEIPT END\n");
}

TEST_F(OposTest, TrailerLinesAccumulateWithCrLfUntilCleared) {
  auto handler = Make();
  ASSERT_TRUE(handler->Connect());
  handler->SetAdditionalTrailerLine(u"one", false);
  handler->SetAdditionalTrailerLine(u"two", false);
  handler->BeginFiscalReceipt();
  handler->PrintRecItem(u"", u"A", ovCurrency::FromUnits(1), u"", 1, ovCurrency::FromUnits(1), ovCurrency::FromUnits(1));
  handler->PrintRecTotal(ovCurrency::FromUnits(1), ovCurrency::FromUnits(1), u"Cash");
  handler->EndFiscalReceipt();
  handler->SetAdditionalTrailerLine(u"only", true);
  handler->BeginFiscalReceipt();
  handler->PrintRecItem(u"", u"B", ovCurrency::FromUnits(1), u"", 1, ovCurrency::FromUnits(1), ovCurrency::FromUnits(1));
  handler->PrintRecTotal(ovCurrency::FromUnits(1), ovCurrency::FromUnits(1), u"Cash");
  handler->EndFiscalReceipt();
  const std::string journal = Journal();
  EXPECT_NE(journal.find("Cash 1.00\none\ntwo\nFISCAL RECEIPT END\n"), std::string::npos) << journal;
  EXPECT_NE(journal.find("Cash 1.00\nonly\nFISCAL RECEIPT END\n"), std::string::npos) << journal;
  handler.reset();
  const auto log = Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "[SetAdditionalTrailerLine]->AdditionalTrailer='only'"), log.end());
}

TEST_F(OposTest, FailuresCarryTheResultAndExtendedCodesWithTheirNames) {
  auto handler = Make();
  ASSERT_TRUE(handler->Connect());
  sim.setCondition("FiscalPrinter", "rec-empty", 1);
  EXPECT_FALSE(handler->BeginFiscalReceipt());
  EXPECT_TRUE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 114);
  EXPECT_EQ(handler->ErrorMessage(), u"[114] OPOS_E_EXTENDED [203] OPOS_EFPTR_REC_EMPTY - Paper out");
  sim.setCondition("FiscalPrinter", "rec-empty", 0);
  bool empty = true;
  EXPECT_TRUE(handler->GetRecEmpty(empty));
  EXPECT_FALSE(empty);
  EXPECT_FALSE(handler->EndFiscalReceipt());  // no receipt open
  EXPECT_EQ(handler->ErrorMessage(), u"[114] OPOS_E_EXTENDED [207] OPOS_EFPTR_WRONG_STATE - Wrong state");
  EXPECT_FALSE(handler->PrintNormal(u"text"));  // only in a non-fiscal document
  EXPECT_EQ(handler->ErrorCode(), 114);
  sim.setCondition("FiscalPrinter", "offline", 1);
  EXPECT_FALSE(handler->PrintXReport());
  EXPECT_EQ(handler->ErrorMessage(), u"[108] OPOS_E_OFFLINE - Printer offline");
  sim.setCondition("FiscalPrinter", "offline", 0);
  EXPECT_TRUE(handler->PrintXReport());
  EXPECT_FALSE(handler->ErrorFound());  // a success clears the state
  EXPECT_EQ(handler->ErrorCode(), 0);
  EXPECT_EQ(handler->ErrorMessage(), u"");
  handler.reset();
  const auto log = Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "ERROR - [114] OPOS_E_EXTENDED [203] OPOS_EFPTR_REC_EMPTY - Paper out"),
            log.end());
}

TEST_F(OposTest, FailedOpenLeavesConnectedAndDisconnectIsTriedAtDestruction) {
  connection.SetDeviceName(u"NoSuchPrinter");
  auto handler = Make();
  EXPECT_FALSE(handler->Connect());
  EXPECT_TRUE(handler->Connected());
  EXPECT_EQ(handler->ErrorMessage(), u"[109] OPOS_E_NOEXIST - Device NoSuchPrinter does not exist");
  handler.reset();
  EXPECT_EQ(Log(), (std::vector<std::string>{kStartBanner, kConnectBanner, "kIOHandler_OPOS", "", "ConnectTimeout=1000",
                                             "ReadTimeout=1000", "DeviceName=NoSuchPrinter",
                                             "[Connect]->Open(NoSuchPrinter)",
                                             "ERROR - [109] OPOS_E_NOEXIST - Device NoSuchPrinter does not exist",
                                             "[Disconnect]->DeviceEnabled:=false", "[Disconnect]->ReleaseDevice",
                                             "ERROR - [101] OPOS_E_CLOSED - Device not open", kStopBanner}));
}

TEST_F(OposTest, AFailedClaimIsUndoneSoTheNextConnectCanSucceed) {
  auto holder = Make(u"HOLDER");
  ASSERT_TRUE(holder->Connect());
  connection.SetConnectTimeOut(50);
  auto handler = Make();
  EXPECT_FALSE(handler->Connect());
  EXPECT_EQ(handler->ErrorCode(), 112);  // the other session holds the printer
  EXPECT_TRUE(holder->Disconnect());
  EXPECT_TRUE(handler->Connect());  // Disconnect first closed what the failed claim left open
  EXPECT_TRUE(handler->BeginNonFiscal());
  handler.reset();
  const auto log = Log();
  const std::vector<std::string> retry = {"[Disconnect]->DeviceEnabled:=false", "[Disconnect]->ReleaseDevice",
                                          "ERROR - [103] OPOS_E_NOTCLAIMED - Device not claimed",
                                          "[Disconnect]->Close", "[Connect]->Open(FiscalPrinter)"};
  EXPECT_NE(std::search(log.begin(), log.end(), retry.begin(), retry.end()), log.end());
}

TEST_F(OposTest, StatusReadsLogTheirValues) {
  auto handler = Make();
  ASSERT_TRUE(handler->Connect());
  sim.setCondition("FiscalPrinter", "cover-open", 1);
  sim.setCondition("FiscalPrinter", "rec-near-end", 1);
  ASSERT_TRUE(handler->BeginTraining());
  bool cover = false, day = true, nearEnd = false, training = false;
  int32_t state = 0, memory = 0;
  EXPECT_TRUE(handler->GetCoverOpen(cover));
  EXPECT_TRUE(handler->GetDayOpened(day));
  EXPECT_TRUE(handler->GetRecNearEnd(nearEnd));
  EXPECT_TRUE(handler->GetTrainingModeActive(training));
  EXPECT_TRUE(handler->PrinterState(state));
  EXPECT_TRUE(handler->RemainingFiscalMemory(memory));
  EXPECT_TRUE(handler->SetFiscalReceiptType(4));
  EXPECT_TRUE(cover && nearEnd && training && !day);
  EXPECT_EQ(state, 1);
  EXPECT_EQ(memory, 2000);
  handler.reset();
  const auto log = Log();
  const std::vector<std::string> lines = {"[GetCoverOpen]->CoverOpen(aResult)",
                                          "[GetCoverOpen]->CoverOpen=True",
                                          "[GetDayOpened]->DayOpened(aResult)",
                                          "[GetDayOpened]->aResult=False",
                                          "[GetRecNearEmpty]->RecNearEmpty(aResult)",
                                          "[GetRecNearEmpty]->aResult=True",
                                          "[GetTrainingModeActive]->TrainingModeActive(aResult)",
                                          "[GetTrainingModeActive]->aResult=True",
                                          "[PrinterState]->PrinterState(aPrinterState)",
                                          "[PrinterState]->aPrinterState=1",
                                          "[RemainingFiscalMemory]->RemainingFiscalMemory(aRemainingFiscalMemory)",
                                          "[RemainingFiscalMemory]->aRemainingFiscalMemory=2000",
                                          "[SetFiscalReceiptType]->FiscalReceiptType=4"};
  EXPECT_NE(std::search(log.begin(), log.end(), lines.begin(), lines.end()), log.end());
}

TEST_F(OposTest, DatesDataAndDirectIO) {
  auto handler = Make();
  ASSERT_TRUE(handler->Connect());
  ovDateTime date = 0;
  ASSERT_TRUE(TryEncodeDateTime({2024, 9, 27, 14, 5, 0, 0}, date));
  EXPECT_TRUE(handler->SetDate(date));
  ovDateTime read = 0;
  EXPECT_TRUE(handler->GetDate(read));
  EXPECT_EQ(read, date);
  std::u16string output = u"stale";
  EXPECT_TRUE(handler->GetData(9, 0, output));
  EXPECT_EQ(output, u"SIM-FiscalPrinter");
  EXPECT_FALSE(handler->GetData(99, 5, output));
  EXPECT_EQ(output, u"");
  EXPECT_EQ(handler->ErrorMessage(), u"[106] OPOS_E_ILLEGAL - Data item not available");
  int32_t data = 0;
  std::u16string text = u"it's";
  EXPECT_TRUE(handler->DirectIO(2, data, text));
  EXPECT_EQ(data, 0);
  // A day in progress: the printer refuses a new date, the handler falls back to now.
  handler->BeginFiscalReceipt();
  EXPECT_FALSE(handler->SetDate(date));
  handler.reset();
  const auto log = Log();
  const std::vector<std::string> lines = {"[SetDate]->SetDate('270920241405')",
                                          "[GetDate]->GetDate",
                                          "[GetDate]->aDate=270920241405",
                                          "[GetData]->GetData(9,0,aOutput)",
                                          "[GetData]->aOutput=SIM-FiscalPrinter",
                                          "[GetData]->GetData(99,5,aOutput)",
                                          "ERROR - [106] OPOS_E_ILLEGAL - Data item not available",
                                          "[DirectIO]->DirectIO(2,0,'it''s')",
                                          "[DirectIO]->Output(Data:=0, Obj:='it''s')"};
  EXPECT_NE(std::search(log.begin(), log.end(), lines.begin(), lines.end()), log.end());
}

TEST_F(OposTest, EveryRemainingPrinterOperationLogsItsCall) {
  auto handler = Make();
  ASSERT_TRUE(handler->Connect());
  const ovCurrency one = ovCurrency::FromUnits(1);
  EXPECT_TRUE(handler->BeginNonFiscal());
  EXPECT_TRUE(handler->PrintNormal(u"Hello 'you'"));
  EXPECT_TRUE(handler->EndNonFiscal());
  EXPECT_TRUE(handler->BeginFiscalReceipt());
  EXPECT_TRUE(handler->PrintRecItem(u"", u"Tea", one, u"pcs", 1, ovCurrency::FromUnits(4), ovCurrency::FromUnits(4)));
  EXPECT_TRUE(handler->PrintRecItemVoid(u"", u"Tea", one, u"pcs", 1, one, one));
  EXPECT_TRUE(handler->PrintRecRefund(u"", u"Cup", one, u"pcs", 1, one, ovCurrency::FromTicks(5000)));
  EXPECT_TRUE(handler->PrintRecItemAdjustment(1, u"Off", ovCurrency::FromTicks(5000), 1));
  EXPECT_TRUE(handler->PrintRecSubtotalAdjustment(2, u"Fee", one));
  EXPECT_TRUE(handler->PrintRecTotal(ovCurrency::FromUnits(3), ovCurrency::FromUnits(2), u"Card"));
  EXPECT_TRUE(handler->PrintRecNotPaid(one, u"Later"));
  EXPECT_TRUE(handler->PrintRecTaxid(u"EL123"));
  EXPECT_TRUE(handler->ResetPrinter());
  EXPECT_TRUE(handler->EndTraining() == false);  // not in training
  EXPECT_TRUE(handler->PrintZReport());
  handler.reset();
  const auto log = Log();
  const std::vector<std::string> lines = {
      "[BeginNonFiscal]->BeginNonFiscal",
      "[PrintNormal]->PrintNormal(2,'Hello ''you''')",
      "[EndNonFiscal]->EndNonFiscal",
      "[BeginFiscalReceipt]->BeginFiscalReceipt(true)",
      "[PrintRecItem]->PrintRecItem('Tea',4,1,1,4,'pcs')",
      "[PrintRecItemVoid]->PrintRecItemVoid('Tea',1,1,1,'pcs')",
      "[PrintRecRefund]->PrintRecRefund('Cup',0.5,1)",
      "[PrintRecItemAdjustment]->PrintRecItemAdjustment(1,'Off',0.5,1)",
      "[PrintRecSubtotalAdjustment]->PrintRecSubtotalAdjustment(2,'Fee',1)",
      "[PrintRecTotal]->PrintRecTotal(3,2,'Card')",
      "[PrintRecNotPaid]->PrintRecNotPaid('Later',1)",
      "[PrintRecTaxid]->PrintRecTaxid('EL123')",
      "[ResetPrinter]->ResetPrinter",
      "[EndTraining]->EndTraining",
      "ERROR - [114] OPOS_E_EXTENDED [207] OPOS_EFPTR_WRONG_STATE - Wrong state",
      "[PrintZReport]->PrintZReport"};
  EXPECT_NE(std::search(log.begin(), log.end(), lines.begin(), lines.end()), log.end());
}

TEST_F(OposTest, StreamOperationsAreUnsupported) {
  auto handler = Make();
  EXPECT_EQ(FailureOf([&] { handler->Write(u"x"); }), u"Write Unsupported");
  EXPECT_EQ(FailureOf([&] { handler->ReadUpTo({0x0d}); }), u"ReadUpto Unsupported");
  EXPECT_EQ(FailureOf([&] { handler->ReadChars(1); }), u"ReadChars Unsupported");
  EXPECT_EQ(FailureOf([&] { handler->ReadAll(); }), u"ReadAll Unsupported");
  EXPECT_EQ(FailureOf([&] { handler->InputBufferContainsData(); }), u"InputBufferContainsData Unsupported");
  EXPECT_EQ(handler->DecodeError(114), u"");
  EXPECT_FALSE(handler->Connected());
}

TEST_F(OposTest, APlugInThatCannotBeLoadedFailsTheConstructionWithBothBanners) {
  const fs::path bogus = folder.Path() / "bogus.so";
  std::ofstream(bogus) << "no library";
  const struct {
    std::u16string library;
    std::string start;
  } cases[] = {
      {u"", "Unable to Load Library . No library name given [126]"},
      {u"libno_such_fiscal.so", "Unable to Load Library libno_such_fiscal.so. libno_such_fiscal.so: cannot open"},
      {Utf8ToUtf16(bogus.string()), "Unable to Load Library " + bogus.string() + ". "},
      {Utf8ToUtf16(OV_TEST_DYNLIB_PATH), "Unable to get address for procedure ovfptr_get_interface"},
  };
  for (const auto& c : cases) {
    connection.SetLibraryName(c.library);
    const std::string failure = Utf16ToUtf8(FailureOf([&] { Make(u"FAIL"); }));
    EXPECT_EQ(failure.rfind(c.start, 0), 0u) << failure;
    EXPECT_EQ(Log("FAIL").back(), kStopBanner);
    EXPECT_EQ(Log("FAIL").front(), kStartBanner);
  }
}

}  // namespace
