#include "db/uOV_Odbc.h"

#include <cstdint>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "platform/ovOdbcDriverManager.h"

namespace {

SQLWCHAR* Wide(std::u16string& aText) { return reinterpret_cast<SQLWCHAR*>(aText.data()); }

// "[unixODBC][FreeTDS][SQL Server]Login failed" -> "Login failed": the
// tags name the components, the server's own text follows them.
std::u16string WithoutComponentTags(std::u16string aMessage) {
  size_t start = 0;
  while (start < aMessage.size() && aMessage[start] == u'[') {
    const size_t close = aMessage.find(u']', start);
    if (close == std::u16string::npos) break;
    start = close + 1;
  }
  return aMessage.substr(start);
}

bool IsDecimal(std::u16string_view aText) {
  if (aText.empty()) return false;
  for (char16_t c : aText) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// {value}, with every "}" doubled: a connection string value taken literally.
std::u16string Braced(std::u16string_view aValue) {
  std::u16string braced = u"{";
  for (char16_t c : aValue) {
    braced += c;
    if (c == u'}') braced += u'}';
  }
  braced += u'}';
  return braced;
}

void AddPair(std::u16string& aText, std::u16string_view aKey, std::u16string_view aValue) {
  aText.append(aKey);
  aText += u'=';
  aText += OdbcQuotedValue(aValue);
  aText += u';';
}

// A libpq connection option value: quoted, with ' and \ escaped.
std::u16string LibpqQuoted(std::u16string_view aValue) {
  std::u16string quoted = u"'";
  for (char16_t c : aValue) {
    if (c == u'\'' || c == u'\\') quoted += u'\\';
    quoted += c;
  }
  quoted += u'\'';
  return quoted;
}

}  // namespace

tOV_OdbcHandle::tOV_OdbcHandle(tOV_OdbcHandle&& aOther) noexcept
    : fType(aOther.fType), fHandle(aOther.fHandle) {
  aOther.fHandle = SQL_NULL_HANDLE;
}

tOV_OdbcHandle& tOV_OdbcHandle::operator=(tOV_OdbcHandle&& aOther) noexcept {
  if (this != &aOther) {
    Reset();
    fType = aOther.fType;
    fHandle = aOther.fHandle;
    aOther.fHandle = SQL_NULL_HANDLE;
  }
  return *this;
}

void tOV_OdbcHandle::Reset() {
  if (fHandle != SQL_NULL_HANDLE) {
    SQLFreeHandle(fType, fHandle);
    fHandle = SQL_NULL_HANDLE;
  }
}

std::u16string OdbcDiagnosticText(SQLSMALLINT aType, SQLHANDLE aHandle) {
  if (aHandle == SQL_NULL_HANDLE) return {};
  SQLWCHAR state[6] = {};
  SQLINTEGER nativeError = 0;
  std::u16string message(512, u'\0');
  SQLSMALLINT length = 0;
  SQLRETURN result = SQLGetDiagRecW(aType, aHandle, 1, state, &nativeError, Wide(message),
                                    static_cast<SQLSMALLINT>(message.size()), &length);
  if (result == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
    message.assign(size_t(length) + 1, u'\0');
    result = SQLGetDiagRecW(aType, aHandle, 1, state, &nativeError, Wide(message),
                            static_cast<SQLSMALLINT>(message.size()), &length);
  }
  if (!SQL_SUCCEEDED(result) || length <= 0) return {};
  message.resize(std::min(size_t(length), message.size() - 1));
  return Trim(WithoutComponentTags(message));
}

void CheckOdbc(SQLRETURN aResult, SQLSMALLINT aType, SQLHANDLE aHandle, std::u16string_view aCall) {
  if (SQL_SUCCEEDED(aResult)) return;
  std::u16string message;
  if (aResult != SQL_INVALID_HANDLE) message = OdbcDiagnosticText(aType, aHandle);
  if (message.empty()) message = std::u16string(aCall) + u" failed";
  throw tOV_Exception(message);
}

std::shared_ptr<tOV_OdbcConnection> tOV_OdbcConnection::Create() {
  KeepOdbcDriverManagerLoaded();
  std::shared_ptr<tOV_OdbcConnection> connection(new tOV_OdbcConnection());
  SQLHANDLE environment = SQL_NULL_HANDLE;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment))) {
    throw tOV_Exception(u"SQLAllocHandle failed: no ODBC environment");
  }
  connection->fEnvironment = tOV_OdbcHandle(SQL_HANDLE_ENV, environment);
  CheckOdbc(SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                          reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(SQL_OV_ODBC3)), 0),
            SQL_HANDLE_ENV, environment, u"SQLSetEnvAttr");
  SQLHANDLE dbc = SQL_NULL_HANDLE;
  CheckOdbc(SQLAllocHandle(SQL_HANDLE_DBC, environment, &dbc), SQL_HANDLE_ENV, environment,
            u"SQLAllocHandle");
  connection->fConnection = tOV_OdbcHandle(SQL_HANDLE_DBC, dbc);
  return connection;
}

tOV_OdbcConnection::~tOV_OdbcConnection() { Close(); }

void tOV_OdbcConnection::Open(const std::u16string& aConnectionString, SQLUINTEGER aLoginTimeoutSeconds) {
  Close();
  SQLHANDLE dbc = fConnection.Get();
  // A driver without a login time-out still connects; its own default applies.
  SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                     reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(aLoginTimeoutSeconds)), 0);
  std::u16string text = aConnectionString;
  CheckOdbc(SQLDriverConnectW(dbc, nullptr, Wide(text), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
            SQL_HANDLE_DBC, dbc, u"SQLDriverConnect");
  fOpen = true;
}

std::u16string tOV_OdbcConnection::DbmsName() const {
  if (!fOpen) return {};
  SQLWCHAR name[128] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfoW(fConnection.Get(), SQL_DBMS_NAME, name, sizeof name, &length))) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(name));
}

void tOV_OdbcConnection::Close() {
  for (auto& weak : fStatements) {
    if (auto statement = weak.lock()) statement->Release();
  }
  fStatements.clear();
  if (!fOpen) return;
  fOpen = false;
  SQLHANDLE dbc = fConnection.Get();
  if (!SQL_SUCCEEDED(SQLDisconnect(dbc))) {
    // An open transaction keeps the connection: roll it back and try again.
    SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
    SQLDisconnect(dbc);
  }
}

std::shared_ptr<tOV_OdbcStatement> tOV_OdbcConnection::NewStatement() {
  if (!fOpen) throw tOV_Exception(u"Not connected to the database");
  SQLHANDLE dbc = fConnection.Get();
  SQLHANDLE statement = SQL_NULL_HANDLE;
  CheckOdbc(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement), SQL_HANDLE_DBC, dbc, u"SQLAllocHandle");
  auto result = std::make_shared<tOV_OdbcStatement>(shared_from_this(),
                                                    tOV_OdbcHandle(SQL_HANDLE_STMT, statement));
  std::erase_if(fStatements, [](const std::weak_ptr<tOV_OdbcStatement>& weak) { return weak.expired(); });
  fStatements.push_back(result);
  return result;
}

ovOdbcDriverFamily OdbcDriverFamily(std::u16string_view aDriver) {
  const std::u16string lower = LowerCase(aDriver);
  if (lower.find(u"postgres") != std::u16string::npos || lower.find(u"psqlodbc") != std::u16string::npos) {
    return ovOdbcDriverFamily::PostgreSQL;
  }
  if (lower.find(u"tds") != std::u16string::npos) return ovOdbcDriverFamily::FreeTDS;
  return ovOdbcDriverFamily::SqlServer;
}

void SplitDataSource(std::u16string_view aDataSource, std::u16string& aServer, std::u16string& aPort) {
  std::u16string server = Trim(aDataSource);
  if (StartsText(u"tcp:", server)) server.erase(0, 4);
  std::u16string port;
  const size_t comma = server.rfind(u',');
  if (comma != std::u16string::npos) {
    port = Trim(std::u16string_view(server).substr(comma + 1));
    server = Trim(std::u16string_view(server).substr(0, comma));
    int32_t number = 0;
    if (!IsDecimal(port) || !TryStrToInt(port, number) || number < 1 || number > 65535) {
      throw tOV_Exception(u"Invalid port '" + port + u"' in the data source " + std::u16string(aDataSource));
    }
  }
  // The local server by its SQL Server names, also in front of an instance.
  const size_t backslash = server.find(u'\\');
  const std::u16string host = server.substr(0, backslash);
  if (host == u"." || SameText(host, u"(local)")) {
    server = u"localhost" + (backslash == std::u16string::npos ? std::u16string() : server.substr(backslash));
  }
  aServer = server;
  aPort = port;
}

std::u16string OdbcQuotedValue(std::u16string_view aValue) {
  bool plain = !aValue.empty() && aValue.front() != u' ' && aValue.back() != u' ';
  for (char16_t c : aValue) {
    if (c == u';' || c == u'{' || c == u'}' || c == u'=') plain = false;
  }
  if (plain || aValue.empty()) return std::u16string(aValue);
  return Braced(aValue);
}

std::u16string OdbcConnectionString(const ovOdbcLogin& aLogin) {
  const ovOdbcDriverFamily family = OdbcDriverFamily(aLogin.driver);
  std::u16string server;
  std::u16string port;
  SplitDataSource(aLogin.dataSource, server, port);

  std::u16string text = u"DRIVER=" + Braced(aLogin.driver) + u";";
  if (family == ovOdbcDriverFamily::SqlServer) {
    AddPair(text, u"SERVER", port.empty() ? server : server + u"," + port);
  } else {
    AddPair(text, u"SERVER", server);
    if (!port.empty()) AddPair(text, u"PORT", port);
  }
  AddPair(text, u"DATABASE", aLogin.database);
  if (!aLogin.user.empty()) {
    AddPair(text, u"UID", aLogin.user);
    AddPair(text, u"PWD", aLogin.password);
  } else if (family != ovOdbcDriverFamily::PostgreSQL) {
    // PostgreSQL's driver has no such switch: without a user it logs in as
    // the operating-system user, which is its integrated login.
    AddPair(text, u"Trusted_Connection", u"Yes");
  }
  if (family == ovOdbcDriverFamily::FreeTDS) AddPair(text, u"ClientCharset", u"UTF-8");
  if (!aLogin.applicationName.empty()) {
    if (family == ovOdbcDriverFamily::PostgreSQL) {
      AddPair(text, u"pqopt", u"application_name=" + LibpqQuoted(aLogin.applicationName));
    } else {
      AddPair(text, u"APP", aLogin.applicationName);
    }
  }
  return text;
}
