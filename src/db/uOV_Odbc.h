// The ODBC layer under the database proxy: owned handles, diagnostics as
// text, a connection that outlives the statements still open on it, and
// the translation of the proxy's settings into the connection string of an
// ODBC driver. ODBC's wide API is used throughout: SQLWCHAR is UTF-16.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ovOdbcApi.h"

// One ODBC handle, freed with the object.
class tOV_OdbcHandle {
 public:
  tOV_OdbcHandle() = default;
  tOV_OdbcHandle(SQLSMALLINT aType, SQLHANDLE aHandle) : fType(aType), fHandle(aHandle) {}
  ~tOV_OdbcHandle() { Reset(); }
  tOV_OdbcHandle(tOV_OdbcHandle&& aOther) noexcept;
  tOV_OdbcHandle& operator=(tOV_OdbcHandle&& aOther) noexcept;
  tOV_OdbcHandle(const tOV_OdbcHandle&) = delete;
  tOV_OdbcHandle& operator=(const tOV_OdbcHandle&) = delete;

  SQLHANDLE Get() const { return fHandle; }
  SQLSMALLINT Type() const { return fType; }
  explicit operator bool() const { return fHandle != SQL_NULL_HANDLE; }
  void Reset();

 private:
  SQLSMALLINT fType = 0;
  SQLHANDLE fHandle = SQL_NULL_HANDLE;
};

// The message of the first diagnostic record of a handle, without the
// "[vendor][driver]" component tags in front; empty when there is none.
std::u16string OdbcDiagnosticText(SQLSMALLINT aType, SQLHANDLE aHandle);
// Raises tOV_Exception with the handle's diagnostic message when aResult is
// a failure; aCall names the ODBC function when the driver left no message.
void CheckOdbc(SQLRETURN aResult, SQLSMALLINT aType, SQLHANDLE aHandle, std::u16string_view aCall);

class tOV_OdbcStatement;

// An environment and a connection handle. Statements keep the connection
// alive; closing it frees the statements still open first.
class tOV_OdbcConnection : public std::enable_shared_from_this<tOV_OdbcConnection> {
 public:
  // Raises when the driver manager cannot make the handles.
  static std::shared_ptr<tOV_OdbcConnection> Create();
  ~tOV_OdbcConnection();
  tOV_OdbcConnection(const tOV_OdbcConnection&) = delete;
  tOV_OdbcConnection& operator=(const tOV_OdbcConnection&) = delete;

  // Connects without any prompt; raises with the driver's message.
  void Open(const std::u16string& aConnectionString, SQLUINTEGER aLoginTimeoutSeconds);
  bool IsOpen() const { return fOpen; }
  // The server's product name as the driver reports it ("Microsoft SQL
  // Server", "PostgreSQL"); empty when it cannot tell or nothing is open.
  std::u16string DbmsName() const;
  void Close();
  // A fresh statement on the open connection; raises when there is none.
  std::shared_ptr<tOV_OdbcStatement> NewStatement();

 private:
  tOV_OdbcConnection() = default;

  tOV_OdbcHandle fEnvironment;
  tOV_OdbcHandle fConnection;
  bool fOpen = false;
  std::vector<std::weak_ptr<tOV_OdbcStatement>> fStatements;
};

class tOV_OdbcStatement {
 public:
  tOV_OdbcStatement(std::shared_ptr<tOV_OdbcConnection> aConnection, tOV_OdbcHandle aHandle)
      : fConnection(std::move(aConnection)), fHandle(std::move(aHandle)) {}
  ~tOV_OdbcStatement() { Release(); }
  tOV_OdbcStatement(const tOV_OdbcStatement&) = delete;
  tOV_OdbcStatement& operator=(const tOV_OdbcStatement&) = delete;

  // Null once released (also when its connection was closed).
  SQLHSTMT Handle() const { return fHandle.Get(); }
  void Release() { fHandle.Reset(); }

 private:
  std::shared_ptr<tOV_OdbcConnection> fConnection;  // declared first: outlives the handle
  tOV_OdbcHandle fHandle;
};

// How a driver spells its connection settings.
enum class ovOdbcDriverFamily { FreeTDS, SqlServer, PostgreSQL };

// The family of a driver name or driver library path: PostgreSQL's for
// names with "postgres" or "psqlodbc", FreeTDS's for names with "tds", the
// SQL Server drivers' spelling otherwise.
ovOdbcDriverFamily OdbcDriverFamily(std::u16string_view aDriver);

struct ovOdbcLogin {
  std::u16string driver;       // registered driver name or driver library path
  std::u16string dataSource;   // host, host,port or host\instance
  std::u16string database;
  std::u16string user;         // empty: the platform's integrated login
  std::u16string password;
  std::u16string applicationName;  // empty: none announced
};

// Server part and port of a data source "host,port" (an optional "tcp:" in
// front is dropped, "(local)" and "." are this machine); the port is empty
// when not given. Raises for a port that is not a number from 1 to 65535.
void SplitDataSource(std::u16string_view aDataSource, std::u16string& aServer, std::u16string& aPort);

// The ODBC connection string of the login for its driver's family.
std::u16string OdbcConnectionString(const ovOdbcLogin& aLogin);

// A value as a connection string may carry it: in braces (a "}" doubled)
// when it holds characters that would end or confuse it.
std::u16string OdbcQuotedValue(std::u16string_view aValue);
