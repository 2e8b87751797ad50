#include "drivers/epay_webecr/uOVPA_ProviderData.h"

#include <memory>
#include <vector>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "db/uOV_Bottegario.h"
#include "db/uOV_IniFile.h"
#include "platform/ovFiles.h"

namespace {

// The registry's branches with their company; ends with a blank, as the
// registry's own tools send it.
constexpr const char16_t* kProviderDataQuery =
    u"select Branch_Code,Company_VATId,isnull(Branch_FiscalId,0) as Branch_FiscalId,InvoiceSerieTemplate,"
    u"CreditNoteSerieTemplate from branchrecord inner join companyrecord on "
    u"branchRecord.Branch_Company=companyRecord.id ";

constexpr const char16_t* kVatCountryPrefix = u"EL";

// A key missing from the file reads as empty text; section headers and
// other lines without "=" name nothing.
std::u16string SettingValue(const std::vector<std::u16string>& aLines, std::u16string_view aName) {
  std::u16string value;
  FindNameValue(aLines, aName, value);
  return value;
}

std::u16string WithVatCountryPrefix(const std::u16string& aVatId) {
  return aVatId.starts_with(kVatCountryPrefix) ? aVatId : kVatCountryPrefix + aVatId;
}

}  // namespace

void kProviderData::Add(kProviderDataElement aElement) {
  std::u16string key = aElement.fBranch_Code;
  if (!fElements.try_emplace(std::move(key), std::move(aElement)).second) {
    throw tOV_Exception(u"Duplicates not allowed");
  }
}

const kProviderDataElement* kProviderData::Find(const std::u16string& aBranchCode) const {
  const auto found = fElements.find(aBranchCode);
  return found == fElements.end() ? nullptr : &found->second;
}

bool LoadRegistrySettings(tOV_BottegarioProxy& aProxy, const std::u16string& aFileName) {
  if (!FileExists(aFileName)) return false;
  // A file that is there but cannot be read gives empty settings: the
  // connection then fails instead of silently reaching another database.
  std::vector<std::u16string> lines;
  LoadTextFileLines(aFileName, lines);
  aProxy.SetDataSource(SettingValue(lines, u"DataSource"));
  aProxy.SetDbName(SettingValue(lines, u"DBName"));
  aProxy.SetDBUserName(SettingValue(lines, u"DBUserName"));
  aProxy.SetDBUserPwd(SettingValue(lines, u"DbUserPwd"));
  const std::u16string driver = SettingValue(lines, u"DBDriver");
  if (!driver.empty()) aProxy.SetDBDriver(driver);
  return true;
}

void ReadProviderData(tOV_BottegarioProxy& aProxy, kProviderData& aData) {
  aData.Clear();
  const std::unique_ptr<tOV_BottegarioDataset> dataset = aProxy.CreateDataset(kProviderDataQuery);
  for (; !dataset->Eof(); dataset->Next()) {
    kProviderDataElement element;
    element.fBranch_Code = dataset->FieldByName(u"Branch_Code").AsString();
    element.fCompany_VATId = WithVatCountryPrefix(dataset->FieldByName(u"Company_VatId").AsString());
    element.fInvoiceSerieTemplate = dataset->FieldByName(u"InvoiceSerieTemplate").AsString();
    element.fCreditNoteSerieTemplate = dataset->FieldByName(u"CreditNoteSerieTemplate").AsString();
    element.fBranch_FiscalId = dataset->FieldByName(u"Branch_FiscalId").AsInteger();
    aData.Add(std::move(element));
  }
}

void LoadProviderData(kProviderData& aData) {
  // The proxy disconnects when it goes, on every path out of here.
  tOV_BottegarioProxy proxy;
  proxy.SetApplicationName(u"DOvaVarEZU");
  const bool connected = LoadRegistrySettings(proxy) ? proxy.Connect() : proxy.Init(false);
  if (!connected) throw tOV_Exception(u"Unable to connect to Tillora Registry");
  ReadProviderData(proxy, aData);
}
