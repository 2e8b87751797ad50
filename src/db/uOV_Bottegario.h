// The access object to the host's registry database (companies, branches
// and the rest of the shop's data). It finds the host's own database
// configuration (bot.ini), connects through ODBC and opens queries as
// datasets that the caller owns. A connection string in the host's
// traditional form is kept for the log; the connection itself is made with
// the equivalent settings of the configured ODBC driver.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/uOV_DateTime.h"
#include "db/uOV_BottegarioDataset.h"
#include "db/uOV_SQLParams.h"
#include "platform/ovOdbcApi.h"

class tOV_OdbcConnection;

class tOV_BottegarioProxy {
 public:
  // The ODBC driver used unless DBDriver says otherwise: the SQL Server
  // driver of Debian, registered by scripts/deps-odbc.
  static constexpr const char16_t* kDefaultDBDriver = kSystemSqlServerDriver;
  static constexpr uint32_t kCommandTimeoutSeconds = 3600;
  // As long as an ADO connection waits for its login by default.
  static constexpr uint32_t kLoginTimeoutSeconds = 15;

  tOV_BottegarioProxy();
  // Disconnects when connected.
  ~tOV_BottegarioProxy();
  tOV_BottegarioProxy(const tOV_BottegarioProxy&) = delete;
  tOV_BottegarioProxy& operator=(const tOV_BottegarioProxy&) = delete;

  // Finds bot.ini (the Windows directory, then the host executable's
  // folder), reads the environment's settings, loads the setup file and
  // connects. Configuration errors are reported through the application's
  // message facility and answer false. aSingleInstance is recorded only:
  // the program-wide single-instance lock is not taken by this library.
  bool Init(bool aSingleInstance);
  // The host program's setup file (exe name + "_" + computer name + ".ini",
  // then exe name + ".ini", beside the executable) as lines, when one exists.
  void LoadSetup();
  // Opens the connection with the current settings (closing an open one
  // first). Never raises: a failure answers false with the message in
  // ConnectionError and an error line "Connect:" + message in the
  // application log.
  bool Connect();
  // Runs aSQL, whose parameters are written :name, with the values of
  // aParams; answers the dataset on its first row. Raises with the server's
  // message, or for a parameter without a value.
  std::unique_ptr<tOV_BottegarioDataset> CreateDataset(const std::u16string& aSQL,
                                                       const tOV_SQLParams& aParams = {});
  // Closes and frees the dataset and empties the variable.
  void DestroyDataset(std::unique_ptr<tOV_BottegarioDataset>& aDataset);
  // Closes the connection (and the datasets still open on it); answers
  // true when it is closed.
  bool Disconnect();
  bool Connected() const;

  // The proxy's ciphered-text form (DES under its fixed key, three decimal
  // digits per byte), as the suite keeps passwords in its tables.
  static std::u16string CiphersText(std::string_view aPlaintext);
  static std::string DeCiphersText(std::u16string_view aDigits);

  // The connection string in the host's traditional form for the current
  // settings; it holds the password.
  std::u16string BuildConnectionString() const;
  // The string the last Connect built, and the same with the password shown as "***".
  const std::u16string& ConnectionString() const { return fConnectionString; }
  const std::u16string& MaskedConnectionString() const { return fMaskedConnectionString; }

  const std::u16string& User() const { return fUser; }
  void SetUser(const std::u16string& aValue) { fUser = aValue; }
  const std::u16string& ConnectionError() const { return fConnectionError; }
  const std::u16string& DataSource() const { return fDataSource; }
  void SetDataSource(const std::u16string& aValue) { fDataSource = aValue; }
  const std::u16string& DbName() const { return fDbName; }
  void SetDbName(const std::u16string& aValue) { fDbName = aValue; }
  const std::u16string& DBUserName() const { return fDBUserName; }
  void SetDBUserName(const std::u16string& aValue) { fDBUserName = aValue; }
  const std::u16string& DBUserPwd() const { return fDBUserPwd; }
  void SetDBUserPwd(const std::u16string& aValue) { fDBUserPwd = aValue; }
  // A registered ODBC driver name or the path of a driver library.
  const std::u16string& DBDriver() const { return fDBDriver; }
  void SetDBDriver(const std::u16string& aValue) { fDBDriver = aValue; }
  const std::u16string& IniFileName() const { return fIniFileName; }
  void SetIniFileName(const std::u16string& aValue) { fIniFileName = aValue; }
  bool Active() const { return fActive; }
  ovDateTime LoginDateTime() const { return fLoginDateTime; }
  bool SingleInstance() const { return fSingleInstance; }
  int32_t SqlPID() const { return fSQLPid; }
  const std::vector<std::u16string>& Setup() const { return fSetup; }
  const std::u16string& Environment() const { return fEnvironment; }
  bool TestEnvironment() const { return fTestEnvironment; }
  const std::u16string& ApplicationName() const { return fApplicationName; }
  void SetApplicationName(const std::u16string& aValue) { fApplicationName = aValue; }
  const std::u16string& ForcedUser() const { return fForcedUser; }
  void SetForcedUser(const std::u16string& aValue) { fForcedUser = aValue; }

 private:
  std::u16string ConnectionStringWithPassword(const std::u16string& aPassword) const;
  void ReadLoginFacts();

  std::u16string fUser;
  std::shared_ptr<tOV_OdbcConnection> fConnection;
  std::u16string fConnectionError;
  std::u16string fDataSource;
  std::u16string fDbName;
  std::u16string fDBUserName;
  std::u16string fDBUserPwd;
  std::u16string fDBDriver = kDefaultDBDriver;
  std::u16string fIniFileName;
  bool fActive = false;
  ovDateTime fLoginDateTime = 0;
  bool fSingleInstance = false;
  int32_t fSQLPid = 0;
  std::vector<std::u16string> fSetup;
  std::u16string fEnvironment;
  bool fTestEnvironment = false;
  std::u16string fApplicationName;
  std::u16string fForcedUser;
  std::u16string fConnectionString;
  std::u16string fMaskedConnectionString;
};
