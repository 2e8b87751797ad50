// The shop's branches as the EPay driver needs them for signing: one element
// per branch code with the owning company's VAT number, the branch's fiscal
// number and its document series templates. Read once from the host's
// registry database when a device is created; the table owns its elements.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class tOV_BottegarioProxy;

struct kProviderDataElement {
  std::u16string fBranch_Code;
  std::u16string fCompany_VATId;  // always begins "EL"
  int32_t fBranch_FiscalId = 0;   // 0 when the registry has none
  std::u16string fInvoiceSerieTemplate;
  std::u16string fCreditNoteSerieTemplate;
};

class kProviderData {
 public:
  // Keyed by the branch code, compared exactly (letter case counts). A code
  // that is already present raises "Duplicates not allowed".
  void Add(kProviderDataElement aElement);
  // The branch, or nullptr when the code is not in the table.
  const kProviderDataElement* Find(const std::u16string& aBranchCode) const;
  void Clear() { fElements.clear(); }
  size_t Count() const { return fElements.size(); }

 private:
  std::map<std::u16string, kProviderDataElement> fElements;
};

// The settings file of the registry connection, looked up in the current directory.
inline constexpr const char16_t* kRegistrySettingsFileName = u"ovFP_RORUZEZU_10.ini";

// Copies DataSource, DBName, DBUserName, DbUserPwd and the optional DBDriver
// from the settings file into the proxy; false (proxy untouched) when there
// is no such file. Lines are name=value; names are compared without regard to
// case, the first match wins and the value is taken as written.
bool LoadRegistrySettings(tOV_BottegarioProxy& aProxy, const std::u16string& aFileName = kRegistrySettingsFileName);

// Replaces the table's content with the branches the connected proxy's
// database holds, in the order the server returns them. Raises the database
// error, or "Duplicates not allowed" for a branch code seen twice.
void ReadProviderData(tOV_BottegarioProxy& aProxy, kProviderData& aData);

// The whole load: a proxy named "DOvaVarEZU", set up from the settings file
// (else from the host's own database configuration), connected, read and
// released. Raises "Unable to connect to Tillora Registry" when no connection
// is made.
void LoadProviderData(kProviderData& aData);
