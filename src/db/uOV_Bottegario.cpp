#include "db/uOV_Bottegario.h"

#include <exception>

#include "app/uOV_Base.h"
#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "crypto/uOV_CipherText.h"
#include "db/uOV_IniFile.h"
#include "db/uOV_Odbc.h"
#include "platform/ovFiles.h"
#include "platform/ovPaths.h"
#include "platform/ovProcess.h"

namespace {

constexpr const char16_t* kSettingsFileName = u"bot.ini";
constexpr const char16_t* kGeneralSection = u"[parametri generali]";
constexpr const char16_t* kLoginQuery = u"select login_time,spid from master..sysprocesses where spid=@@spid";

// Configuration errors: a message box, or the application log in batch mode.
void ReportError(const std::u16string& aMessage) {
  if (tOV_Application* application = Application()) application->ShowMessage(let_error, aMessage);
}

void LogError(const std::u16string& aMessage) {
  if (tOV_Application* application = Application()) application->Log(let_error, aMessage);
}

// The environment used when /ENV names none: the first section of the file,
// judged line by line, other than the suite's general parameters.
std::u16string FirstEnvironment(const std::vector<std::u16string>& aLines) {
  for (const auto& rawLine : aLines) {
    const std::u16string line = Trim(rawLine);
    if (line.size() < 2 || line.front() != u'[' || line.back() != u']') continue;
    if (SameText(line, kGeneralSection)) continue;
    return Trim(std::u16string_view(line).substr(1, line.size() - 2));
  }
  return {};
}

// A driver that echoes its connection settings must not carry the password
// into a log line.
std::u16string WithoutPassword(std::u16string aMessage, const std::u16string& aPassword) {
  if (aPassword.empty()) return aMessage;
  for (const char16_t* key : {u"Password=", u"PWD="}) {
    aMessage = ReplaceAll(aMessage, std::u16string(key) + aPassword, std::u16string(key) + u"***", true);
    aMessage = ReplaceAll(aMessage, std::u16string(key) + OdbcQuotedValue(aPassword), std::u16string(key) + u"***",
                          true);
  }
  return aMessage;
}

}  // namespace

tOV_BottegarioProxy::tOV_BottegarioProxy() = default;

tOV_BottegarioProxy::~tOV_BottegarioProxy() {
  if (Connected()) Disconnect();
}

bool tOV_BottegarioProxy::Init(bool aSingleInstance) {
  fSingleInstance = aSingleInstance;
  fTestEnvironment = false;

  fUser = FindSwitch(u"/U", false);
  if (fUser.empty()) fUser = EnvironmentVariable(u"USERNAME");
  if (fUser.empty()) fUser = EnvironmentVariable(u"USER");  // the POSIX spelling
  if (!fForcedUser.empty()) fUser = fForcedUser;

  std::u16string path = JoinPath(WindowsDirectory(), kSettingsFileName);
  if (!FileExists(path)) path = JoinPath(HostExecutableFolder(), kSettingsFileName);
  tOV_IniFile settings;
  if (!FileExists(path) || !settings.LoadFromFile(path)) {
    ReportError(u"bot.ini file non found.");
    fActive = false;
    return false;
  }
  fIniFileName = path;

  std::u16string environment = FindSwitch(u"/ENV", false);
  environment = environment.substr(0, environment.find(u'|'));
  if (environment.empty()) environment = FirstEnvironment(settings.Lines());
  fEnvironment = environment;
  if (!settings.SectionExists(environment)) {
    ReportError(u"Environment " + environment + u" non esistente");
    fActive = false;
    return false;
  }

  const bool local = !FindSwitch(u"/LOC", true).empty();
  const std::u16string suffix = local ? u"Local" : u"";
  fDataSource = settings.ReadString(environment, u"Cfg_DataSource" + suffix);
  fDbName = settings.ReadString(environment, u"Cfg_DbName" + suffix);
  fDBUserName = settings.ReadString(environment, u"Cfg_UserName" + suffix);
  fDBUserPwd = settings.ReadString(environment, u"Cfg_UserPwd" + suffix);
  fTestEnvironment = LowerCase(settings.ReadString(environment, u"Cfg_EnvType")) == u"test";
  const std::u16string driver = settings.ReadString(environment, u"Cfg_DBDriver");
  if (!driver.empty()) fDBDriver = driver;
  LoadSetup();

  // The single-instance lock is not part of this library: aSingleInstance
  // is only recorded.
  fActive = Connect();
  return fActive;
}

void tOV_BottegarioProxy::LoadSetup() {
  const std::u16string base = RemoveFileExtension(HostExecutablePath());
  std::vector<std::u16string> candidates;
  // Without a computer name there is no computer-specific file to look for.
  const std::u16string computer = EnvironmentVariable(u"COMPUTERNAME");
  if (!computer.empty()) candidates.push_back(base + u"_" + computer + u".ini");
  candidates.push_back(base + u".ini");
  for (const auto& candidate : candidates) {
    if (FileExists(candidate) && LoadTextFileLines(candidate, fSetup)) return;
  }
}

std::u16string tOV_BottegarioProxy::ConnectionStringWithPassword(const std::u16string& aPassword) const {
  std::u16string text = u"Provider=SQLOLEDB.1;Data Source=" + fDataSource + u";Initial Catalog=" + fDbName +
                        u";Persist Security Info=True;";
  if (!fDBUserName.empty()) {
    text += u"User ID=" + fDBUserName + u";Password=" + aPassword + u";";
  } else {
    text += u"Integrated Security=SSPI;";
  }
  return text;
}

std::u16string tOV_BottegarioProxy::BuildConnectionString() const {
  return ConnectionStringWithPassword(fDBUserPwd);
}

bool tOV_BottegarioProxy::Connect() {
  fConnectionError.clear();
  if (Connected()) Disconnect();
  fConnectionString = BuildConnectionString();
  fMaskedConnectionString = ConnectionStringWithPassword(u"***");
  fLoginDateTime = 0;
  fSQLPid = 0;
  try {
    ovOdbcLogin login;
    login.driver = fDBDriver.empty() ? std::u16string(kDefaultDBDriver) : fDBDriver;
    login.dataSource = fDataSource;
    login.database = fDbName;
    login.user = fDBUserName;
    login.password = fDBUserPwd;
    login.applicationName = fApplicationName;
    auto connection = tOV_OdbcConnection::Create();
    connection->Open(OdbcConnectionString(login), kLoginTimeoutSeconds);
    fConnection = std::move(connection);
  } catch (const tOV_Exception& error) {
    fConnectionError = WithoutPassword(error.Message(), fDBUserPwd);
  } catch (const std::exception& error) {
    fConnectionError = WithoutPassword(Utf8ToUtf16(error.what()), fDBUserPwd);
  }
  if (!fConnectionError.empty()) LogError(u"Connect:" + fConnectionError);
  if (Connected()) ReadLoginFacts();
  return Connected();
}

// The server's login time and process id of this connection. Only SQL Server
// has master..sysprocesses; elsewhere both stay 0. A failure is logged under
// its own name: the connection itself works.
void tOV_BottegarioProxy::ReadLoginFacts() {
  if (fConnection->DbmsName().find(u"SQL Server") == std::u16string::npos) return;
  try {
    auto dataset = CreateDataset(kLoginQuery);
    if (!dataset->Eof()) {
      fLoginDateTime = dataset->FieldByName(u"login_time").AsDateTime();
      fSQLPid = dataset->FieldByName(u"spid").AsInteger();
    }
  } catch (const tOV_Exception& error) {
    LogError(u"ReadLoginFacts:" + error.Message());
  } catch (const std::exception& error) {
    LogError(u"ReadLoginFacts:" + Utf8ToUtf16(error.what()));
  }
}

std::unique_ptr<tOV_BottegarioDataset> tOV_BottegarioProxy::CreateDataset(const std::u16string& aSQL,
                                                                           const tOV_SQLParams& aParams) {
  if (!Connected()) throw tOV_Exception(u"Not connected to the database");
  auto dataset = std::make_unique<tOV_BottegarioDataset>(fConnection->NewStatement(), aSQL);
  dataset->Open(aParams, kCommandTimeoutSeconds);
  return dataset;
}

void tOV_BottegarioProxy::DestroyDataset(std::unique_ptr<tOV_BottegarioDataset>& aDataset) {
  if (aDataset) aDataset->Close();
  aDataset.reset();
}

bool tOV_BottegarioProxy::Disconnect() {
  if (fConnection) {
    fConnection->Close();
    fConnection.reset();
  }
  return !Connected();
}

bool tOV_BottegarioProxy::Connected() const { return fConnection && fConnection->IsOpen(); }

std::u16string tOV_BottegarioProxy::CiphersText(std::string_view aPlaintext) { return ::CiphersText(aPlaintext); }

std::string tOV_BottegarioProxy::DeCiphersText(std::u16string_view aDigits) { return ::DeCiphersText(aDigits); }
