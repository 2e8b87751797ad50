// The HTTP exchange on WinHTTP: the system's TLS, certificate store and proxy
// settings. A session owns one WinHTTP session handle, whose connection pool
// keeps connections open between exchanges; every exchange opens its own
// connect and request handles and sets all its options afresh.
//
// Checked under Wine 8, whose WinHTTP differs from Windows' in ways named
// where they are handled: no message table in winhttp.dll, no Digest, no
// cancellation from the status callback, an untrusted certificate reported
// as a secure channel error, IP addresses unmatched by the SSL policy,
// Winsock codes for time-outs, IPv6 addresses miscut in URLs, one connection
// pool for the whole process, and a cut-off body that reads as complete.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/ovHttpText.h"
#include "platform/ovHttpTransport.h"
#include "platform/ovUtf.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "WinHTTP's text is UTF-16 as ours");

const int32_t ovHttpErrorCodes::kRefused = ERROR_WINHTTP_CANNOT_CONNECT;
const int32_t ovHttpErrorCodes::kTimedOut = ERROR_WINHTTP_TIMEOUT;
// The code of every server certificate the check before sending rejects.
const int32_t ovHttpErrorCodes::kCertificateNotTrusted = ERROR_WINHTTP_SECURE_FAILURE;

namespace {

// ---------------------------------------------------------------------------
// Text

const wchar_t* Wide(const std::u16string& aText) { return reinterpret_cast<const wchar_t*>(aText.c_str()); }

std::u16string FromWide(const wchar_t* aText, size_t aLength) {
  return std::u16string(reinterpret_cast<const char16_t*>(aText), aLength);
}

std::u16string Number(uint64_t aValue) { return AsciiToUtf16(std::to_string(aValue)); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Handles

struct InternetCloser {
  void operator()(HINTERNET aHandle) const { WinHttpCloseHandle(aHandle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

struct CertificateCloser {
  void operator()(PCCERT_CONTEXT aCertificate) const { CertFreeCertificateContext(aCertificate); }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateCloser>;

struct StoreCloser {
  void operator()(HCERTSTORE aStore) const { CertCloseStore(aStore, 0); }
};
using CertificateStore = std::unique_ptr<void, StoreCloser>;

struct ChainCloser {
  void operator()(PCCERT_CHAIN_CONTEXT aChain) const { CertFreeCertificateChain(aChain); }
};
using CertificateChain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainCloser>;

struct FileCloser {
  void operator()(HANDLE aFile) const { CloseHandle(aFile); }
};
using FileHandle = std::unique_ptr<void, FileCloser>;

// ---------------------------------------------------------------------------
// Error texts

// Wine's winhttp.dll carries no message table (FormatMessage fails with
// ERROR_RESOURCE_TYPE_NOT_FOUND there); these stand in for the codes an
// exchange meets. On Windows the system's own texts are used.
struct KnownText {
  DWORD code;
  const char16_t* text;
};
constexpr KnownText kWinHttpTexts[] = {
    {ERROR_WINHTTP_TIMEOUT, u"The operation timed out"},
    {ERROR_WINHTTP_INTERNAL_ERROR, u"An internal error occurred in WinHTTP"},
    {ERROR_WINHTTP_INVALID_URL, u"The URL is invalid"},
    {ERROR_WINHTTP_UNRECOGNIZED_SCHEME, u"The URL does not use a recognized protocol"},
    {ERROR_WINHTTP_NAME_NOT_RESOLVED, u"The server name or address could not be resolved"},
    {ERROR_WINHTTP_OPERATION_CANCELLED, u"The operation was canceled"},
    {ERROR_WINHTTP_CANNOT_CONNECT, u"A connection with the server could not be established"},
    {ERROR_WINHTTP_CONNECTION_ERROR, u"The connection with the server was terminated abnormally"},
    {ERROR_WINHTTP_INVALID_SERVER_RESPONSE, u"The server returned an invalid or unrecognized response"},
    {ERROR_WINHTTP_INVALID_HEADER, u"The header is invalid"},
    {ERROR_WINHTTP_SECURE_CHANNEL_ERROR, u"An error occurred in the secure channel support"},
    {ERROR_WINHTTP_SECURE_FAILURE, u"A security error occurred"},
    {ERROR_WINHTTP_SECURE_INVALID_CA, u"The certificate authority is invalid or incorrect"},
    {ERROR_WINHTTP_SECURE_CERT_CN_INVALID, u"The certificate's common name is invalid"},
    {ERROR_WINHTTP_SECURE_CERT_DATE_INVALID, u"The certificate's date is invalid"},
    {ERROR_WINHTTP_SECURE_INVALID_CERT, u"The certificate is invalid"},
    {ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW, u"The response exceeded a size limit"},
};

std::u16string TrimmedMessage(const wchar_t* aText, DWORD aLength) {
  std::u16string text = FromWide(aText, aLength);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
  size_t first = 0;
  while (first < text.size() && (text[first] == u' ' || text[first] == u'\t')) ++first;
  return text.substr(first);
}

std::u16string ErrorText(DWORD aCode) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                          FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      GetModuleHandleW(L"winhttp.dll"), aCode, 0,
                                      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (length > 0 && buffer != nullptr) text = TrimmedMessage(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  if (!text.empty()) return text;
  for (const auto& known : kWinHttpTexts) {
    if (known.code == aCode) return known.text;
  }
  return u"Error " + Number(aCode);
}

// ---------------------------------------------------------------------------
// Wine

bool RunningOnWine() {
  static const bool wine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

bool SameSocketAddress(const SOCKADDR_STORAGE& a, const SOCKADDR_STORAGE& b) {
  if (a.ss_family != b.ss_family) return false;
  if (a.ss_family == AF_INET) {
    const auto& x = reinterpret_cast<const sockaddr_in&>(a);
    const auto& y = reinterpret_cast<const sockaddr_in&>(b);
    return x.sin_port == y.sin_port && x.sin_addr.s_addr == y.sin_addr.s_addr;
  }
  if (a.ss_family == AF_INET6) {
    const auto& x = reinterpret_cast<const sockaddr_in6&>(a);
    const auto& y = reinterpret_cast<const sockaddr_in6&>(b);
    return x.sin6_port == y.sin6_port && std::memcmp(&x.sin6_addr, &y.sin6_addr, sizeof x.sin6_addr) == 0;
  }
  return false;
}

// Wine's WinHTTP sends the request even when the status callback has closed
// the request handle. What does stop it there is a socket that is shut down:
// the request's own socket is found among the process's handles by its two
// addresses (Wine's sockets are handles, numbered in steps of four).
bool ShutDownRequestSocket(HINTERNET aRequest) {
  WINHTTP_CONNECTION_INFO info{};
  info.cbSize = sizeof info;
  DWORD size = sizeof info;
  if (!WinHttpQueryOption(aRequest, WINHTTP_OPTION_CONNECTION_INFO, &info, &size)) return false;
  constexpr UINT_PTR kLastHandle = UINT_PTR(1) << 20;
  for (UINT_PTR value = 4; value < kLastHandle; value += 4) {
    const auto socket = static_cast<SOCKET>(value);
    SOCKADDR_STORAGE local{};
    int localLength = sizeof local;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) continue;
    if (!SameSocketAddress(local, info.LocalAddress)) continue;
    SOCKADDR_STORAGE remote{};
    int remoteLength = sizeof remote;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&remote), &remoteLength) != 0) continue;
    if (!SameSocketAddress(remote, info.RemoteAddress)) continue;
    return shutdown(socket, SD_BOTH) == 0;
  }
  return false;
}

// Wine's WinHTTP passes some failures of its sockets on as Winsock codes
// where Windows reports its own.
DWORD StackError(DWORD aError) {
  switch (aError) {
    case WSAETIMEDOUT:
      return ERROR_WINHTTP_TIMEOUT;
    case WSAECONNRESET:
    case WSAECONNABORTED:
      return ERROR_WINHTTP_CONNECTION_ERROR;
    default:
      return aError;
  }
}

// ---------------------------------------------------------------------------
// Hashes, random numbers, Base64

// Lower-case hex of the digest of aText with a bcrypt algorithm
// (BCRYPT_MD5_ALGORITHM, BCRYPT_SHA256_ALGORITHM); empty when it fails.
std::string HashHex(const wchar_t* aAlgorithm, std::string_view aText) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, aAlgorithm, nullptr, 0))) return {};
  std::array<UCHAR, 64> digest{};
  DWORD digestLength = 0;
  DWORD got = 0;
  bool done = BCRYPT_SUCCESS(BCryptGetProperty(algorithm, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&digestLength),
                                               sizeof digestLength, &got, 0)) &&
              digestLength <= digest.size();
  if (done) {
    BCRYPT_HASH_HANDLE hash = nullptr;
    done = BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    if (done) {
      done = BCRYPT_SUCCESS(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(aText.data())),
                                           ULONG(aText.size()), 0)) &&
             BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), digestLength, 0));
      BCryptDestroyHash(hash);
    }
  }
  BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!done) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (DWORD i = 0; i < digestLength; ++i) {
    hex.push_back(kHex[digest[i] >> 4]);
    hex.push_back(kHex[digest[i] & 15]);
  }
  return hex;
}

std::string RandomHex(size_t aBytes) {
  std::array<UCHAR, 32> bytes{};
  aBytes = std::min(aBytes, bytes.size());
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes.data(), ULONG(aBytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return {};
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < aBytes; ++i) {
    hex.push_back(kHex[bytes[i] >> 4]);
    hex.push_back(kHex[bytes[i] & 15]);
  }
  return hex;
}

std::string Base64(std::string_view aBytes) {
  if (aBytes.empty()) return {};
  const auto* data = reinterpret_cast<const BYTE*>(aBytes.data());
  constexpr DWORD kFlags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  DWORD length = 0;
  if (!CryptBinaryToStringA(data, DWORD(aBytes.size()), kFlags, nullptr, &length)) return {};
  std::string text(length, '\0');
  if (!CryptBinaryToStringA(data, DWORD(aBytes.size()), kFlags, text.data(), &length)) return {};
  text.resize(length);
  while (!text.empty() && (text.back() == '\0' || IsHttpSpace(text.back()))) text.pop_back();
  return text;
}

// ---------------------------------------------------------------------------
// Digest (RFC 7616, and RFC 2617 without qop). Windows' WinHTTP has Digest
// through WinHttpSetCredentials, Wine's has none (it hands the 401 back as
// it came); computed here, the same answer goes out on both.

struct Challenge {
  std::string scheme;  // lower case
  std::vector<std::pair<std::string, std::string>> params;  // names in lower case

  const std::string* Param(std::string_view aName) const {
    for (const auto& [name, value] : params) {
      if (name == aName) return &value;
    }
    return nullptr;
  }
};

// The challenges of one WWW-Authenticate value: scheme tokens, each followed
// by its name=value and name="value" parameters.
void ParseChallenges(std::string_view aText, std::vector<Challenge>& aOut) {
  auto isDelimiter = [](char c) { return IsHttpSpace(c) || c == ',' || c == '=' || c == '"'; };
  size_t i = 0;
  const size_t n = aText.size();
  bool inChallenge = false;
  while (i < n) {
    while (i < n && (IsHttpSpace(aText[i]) || aText[i] == ',')) ++i;
    const size_t start = i;
    while (i < n && !isDelimiter(aText[i])) ++i;
    std::string token(aText.substr(start, i - start));
    if (token.empty()) {
      ++i;  // a stray quote or equals sign
      continue;
    }
    for (char& c : token) c = Lower(c);
    size_t j = i;
    while (j < n && IsHttpSpace(aText[j])) ++j;
    if (j < n && aText[j] == '=') {
      i = j + 1;
      while (i < n && IsHttpSpace(aText[i])) ++i;
      std::string value;
      if (i < n && aText[i] == '"') {
        for (++i; i < n && aText[i] != '"'; ++i) {
          if (aText[i] == '\\' && i + 1 < n) ++i;
          value.push_back(aText[i]);
        }
        if (i < n) ++i;
      } else {
        const size_t valueStart = i;
        while (i < n && aText[i] != ',' && !IsHttpSpace(aText[i])) ++i;
        value = aText.substr(valueStart, i - valueStart);
      }
      if (inChallenge) aOut.back().params.emplace_back(std::move(token), std::move(value));
    } else {
      aOut.push_back(Challenge{std::move(token), {}});
      inChallenge = true;
    }
  }
}

std::string Quoted(std::string_view aText) {
  std::string out = "\"";
  for (const char c : aText) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

bool ListHolds(std::string_view aList, std::string_view aItem) {
  size_t start = 0;
  while (start <= aList.size()) {
    size_t end = aList.find(',', start);
    if (end == std::string_view::npos) end = aList.size();
    if (SameNoCase(TrimHttpSpace(aList.substr(start, end - start)), aItem)) return true;
    start = end + 1;
  }
  return false;
}

// The Authorization value that answers the first Digest challenge this code
// can answer; empty when there is none.
std::string DigestAuthorization(const std::vector<Challenge>& aChallenges, const std::string& aUser,
                                const std::string& aPassword, std::string_view aMethod, const std::string& aUri) {
  for (const Challenge& challenge : aChallenges) {
    if (challenge.scheme != "digest") continue;
    const std::string* realm = challenge.Param("realm");
    const std::string* nonce = challenge.Param("nonce");
    if (realm == nullptr || nonce == nullptr) continue;
    const std::string* algorithmParam = challenge.Param("algorithm");
    const std::string algorithm = algorithmParam ? *algorithmParam : std::string("MD5");
    const wchar_t* hashName = nullptr;
    bool session = false;
    if (SameNoCase(algorithm, "MD5") || SameNoCase(algorithm, "MD5-sess")) {
      hashName = BCRYPT_MD5_ALGORITHM;
      session = SameNoCase(algorithm, "MD5-sess");
    } else if (SameNoCase(algorithm, "SHA-256") || SameNoCase(algorithm, "SHA-256-sess")) {
      hashName = BCRYPT_SHA256_ALGORITHM;
      session = SameNoCase(algorithm, "SHA-256-sess");
    } else {
      continue;
    }
    const std::string* qopOffered = challenge.Param("qop");
    if (qopOffered != nullptr && !ListHolds(*qopOffered, "auth")) continue;  // auth-int only

    const std::string cnonce = RandomHex(16);
    const std::string nc = "00000001";
    std::string ha1 = HashHex(hashName, aUser + ":" + *realm + ":" + aPassword);
    if (session) ha1 = HashHex(hashName, ha1 + ":" + *nonce + ":" + cnonce);
    const std::string ha2 = HashHex(hashName, std::string(aMethod) + ":" + aUri);
    const std::string response =
        qopOffered ? HashHex(hashName, ha1 + ":" + *nonce + ":" + nc + ":" + cnonce + ":auth:" + ha2)
                   : HashHex(hashName, ha1 + ":" + *nonce + ":" + ha2);
    if (cnonce.empty() || ha1.empty() || ha2.empty() || response.empty()) return {};

    std::string header = "Digest username=" + Quoted(aUser) + ", realm=" + Quoted(*realm) +
                         ", nonce=" + Quoted(*nonce) + ", uri=" + Quoted(aUri);
    if (qopOffered) header += ", cnonce=" + Quoted(cnonce) + ", nc=" + nc + ", qop=auth";
    header += ", response=" + Quoted(response);
    if (const std::string* opaque = challenge.Param("opaque")) header += ", opaque=" + Quoted(*opaque);
    if (algorithmParam) header += ", algorithm=" + algorithm;
    return header;
  }
  return {};
}

bool DigestStale(const std::vector<Challenge>& aChallenges) {
  for (const Challenge& challenge : aChallenges) {
    const std::string* stale = challenge.scheme == "digest" ? challenge.Param("stale") : nullptr;
    if (stale && SameNoCase(*stale, "true")) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// The address

struct Target {
  std::u16string host;  // as WinHttpConnect takes it
  std::u16string name;  // as a certificate names it
  INTERNET_PORT port = 0;
  bool secure = false;
  std::string path;  // ASCII, as it goes on the wire; also the Digest uri
};

// Path and query as WinHTTP sends them untouched: UTF-8, with what may not
// stand in a request line percent-encoded.
std::string WirePath(std::u16string_view aPath) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : Utf16ToUtf8(aPath)) {
    if (c <= 0x20 || c >= 0x7f) {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    } else {
      out.push_back(char(c));
    }
  }
  return out.empty() || out[0] != '/' ? "/" + out : out;
}

DWORD ParseUrl(const std::u16string& aUrl, Target& aTarget) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = DWORD(-1);
  parts.dwHostNameLength = DWORD(-1);
  parts.dwUrlPathLength = DWORD(-1);
  parts.dwExtraInfoLength = DWORD(-1);
  if (aUrl.empty() || aUrl.size() >= std::numeric_limits<DWORD>::max()) return ERROR_WINHTTP_INVALID_URL;
  if (!WinHttpCrackUrl(Wide(aUrl), DWORD(aUrl.size()), 0, &parts)) return GetLastError();
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    return ERROR_WINHTTP_UNRECOGNIZED_SCHEME;
  }
  if (parts.lpszHostName == nullptr || parts.dwHostNameLength == 0) return ERROR_WINHTTP_INVALID_URL;
  aTarget.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  aTarget.port = parts.nPort;
  aTarget.host = FromWide(parts.lpszHostName, parts.dwHostNameLength);
  // Wine's WinHttpCrackUrl cuts an IPv6 address in brackets at its first
  // colon: the host and port of such an address are read here.
  const size_t scheme = aUrl.find(u"://");
  if (scheme != std::u16string::npos) {
    const size_t start = scheme + 3;
    std::u16string authority = aUrl.substr(start, aUrl.find_first_of(u"/?#", start) - start);
    if (const size_t at = authority.rfind(u'@'); at != std::u16string::npos) authority.erase(0, at + 1);
    if (!authority.empty() && authority[0] == u'[') {
      const size_t close = authority.find(u']');
      if (close == std::u16string::npos) return ERROR_WINHTTP_INVALID_URL;
      aTarget.host = authority.substr(0, close + 1);
      aTarget.port = aTarget.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
      const std::u16string port = authority.substr(close + 1);
      if (!port.empty()) {
        if (port[0] != u':' || port.size() < 2 || port.size() > 6) return ERROR_WINHTTP_INVALID_URL;
        uint32_t number = 0;
        for (size_t i = 1; i < port.size(); ++i) {
          if (port[i] < u'0' || port[i] > u'9') return ERROR_WINHTTP_INVALID_URL;
          number = number * 10 + uint32_t(port[i] - u'0');
        }
        if (number == 0 || number > 65535) return ERROR_WINHTTP_INVALID_URL;
        aTarget.port = INTERNET_PORT(number);
      }
    }
  }
  // WinHttpConnect takes an IPv6 address in its brackets (and puts it so in
  // the Host header); the certificate names it without.
  aTarget.name = aTarget.host;
  if (aTarget.name.size() > 2 && aTarget.name.front() == u'[' && aTarget.name.back() == u']') {
    aTarget.name = aTarget.name.substr(1, aTarget.name.size() - 2);
  }
  std::u16string path;
  if (parts.lpszUrlPath) path = FromWide(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) path += FromWide(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  // The fragment stays with the client.
  const size_t fragment = path.find(u'#');
  if (fragment != std::u16string::npos) path.resize(fragment);
  aTarget.path = WirePath(path);
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Certificates

// The certificates of a PEM file, in a memory store.
struct TrustAnchors {
  CertificateStore store;
  std::vector<std::string> encoded;  // DER of each, for the comparison with a chain's root
};

DWORD ReadFileBytes(const std::u16string& aPath, std::string& aBytes) {
  FileHandle file(CreateFileW(Wide(aPath), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return GetLastError();
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return GetLastError();
  if (size.QuadPart > 16 * 1024 * 1024) return ERROR_FILE_TOO_LARGE;
  aBytes.resize(size_t(size.QuadPart));
  DWORD got = 0;
  if (!aBytes.empty() && (!ReadFile(file.get(), aBytes.data(), DWORD(aBytes.size()), &got, nullptr) ||
                          got != aBytes.size())) {
    return GetLastError() ? GetLastError() : ERROR_READ_FAULT;
  }
  return ERROR_SUCCESS;
}

// On failure answers the reason in aFailure.
bool LoadTrustAnchors(const std::u16string& aPath, TrustAnchors& aAnchors, int32_t& aCode,
                      std::u16string& aFailure) {
  std::string pem;
  if (const DWORD error = ReadFileBytes(aPath, pem); error != ERROR_SUCCESS) {
    aCode = int32_t(error);
    aFailure = u"CA file " + aPath + u" could not be read: " + ErrorText(error);
    return false;
  }
  aAnchors.store.reset(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
  if (!aAnchors.store) {
    aCode = int32_t(GetLastError());
    aFailure = ErrorText(DWORD(aCode));
    return false;
  }
  static constexpr std::string_view kBegin = "-----BEGIN CERTIFICATE-----";
  static constexpr std::string_view kEnd = "-----END CERTIFICATE-----";
  for (size_t begin = pem.find(kBegin); begin != std::string::npos; begin = pem.find(kBegin, begin)) {
    const size_t end = pem.find(kEnd, begin);
    if (end == std::string::npos) break;
    const std::string block = pem.substr(begin, end + kEnd.size() - begin);
    begin = end + kEnd.size();
    DWORD length = 0;
    if (!CryptStringToBinaryA(block.data(), DWORD(block.size()), CRYPT_STRING_BASE64HEADER, nullptr, &length,
                              nullptr, nullptr)) {
      continue;
    }
    std::string der(length, '\0');
    if (!CryptStringToBinaryA(block.data(), DWORD(block.size()), CRYPT_STRING_BASE64HEADER,
                              reinterpret_cast<BYTE*>(der.data()), &length, nullptr, nullptr)) {
      continue;
    }
    der.resize(length);
    const Certificate certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), DWORD(der.size())));
    if (!certificate) continue;
    if (!CertAddCertificateContextToStore(aAnchors.store.get(), certificate.get(), CERT_STORE_ADD_ALWAYS,
                                          nullptr)) {
      continue;
    }
    aAnchors.encoded.push_back(std::move(der));
  }
  if (aAnchors.encoded.empty()) {
    aCode = ERROR_INVALID_DATA;
    aFailure = u"CA file " + aPath + u" holds no PEM certificate";
    return false;
  }
  return true;
}

std::u16string ChainProblem(DWORD aStatus) {
  if (aStatus & CERT_TRUST_IS_NOT_TIME_VALID) return u"it has expired or is not valid yet";
  if (aStatus & CERT_TRUST_IS_REVOKED) return u"it has been revoked";
  if (aStatus & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return u"a signature in its chain is not valid";
  if (aStatus & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return u"it is not meant for a TLS server";
  if (aStatus & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) {
    return u"its chain does not end in a trusted root";
  }
  std::array<char, 16> hex{};
  const auto end = std::to_chars(hex.data(), hex.data() + hex.size(), aStatus, 16).ptr;
  return u"its chain is not valid (status 0x" + AsciiToUtf16(std::string_view(hex.data(), end - hex.data())) + u")";
}

// The bytes of aHost when it is an IPv4 or IPv6 address; 0 for a name.
size_t AddressBytes(const std::u16string& aHost, std::array<BYTE, 16>& aBytes) {
  if (InetPtonW(AF_INET, Wide(aHost), aBytes.data()) == 1) return 4;
  if (InetPtonW(AF_INET6, Wide(aHost), aBytes.data()) == 1) return 16;
  return 0;
}

// Whether the certificate's subject alternative names hold this address.
bool NamesAddress(const CERT_CONTEXT& aCertificate, const BYTE* aAddress, size_t aLength) {
  const CERT_INFO& info = *aCertificate.pCertInfo;
  const CERT_EXTENSION* extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info.cExtension, info.rgExtension);
  if (extension == nullptr) return false;
  CERT_ALT_NAME_INFO* names = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                           extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size) ||
      names == nullptr) {
    return false;
  }
  bool found = false;
  for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
    found = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == aLength &&
            std::memcmp(entry.IPAddress.pbData, aAddress, aLength) == 0;
  }
  LocalFree(names);
  return found;
}

// Why the server's certificate is not trusted for aHost, or nothing when it
// is: against aAnchors only when given (the chain must end in one of them,
// byte for byte, whatever the system's store holds), else the system's store.
std::optional<std::u16string> CertificateProblem(HINTERNET aRequest, const std::u16string& aHost,
                                                 const TrustAnchors* aAnchors) {
  PCCERT_CONTEXT received = nullptr;
  DWORD size = sizeof received;
  if (!WinHttpQueryOption(aRequest, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &received, &size) || !received) {
    return u"the server sent no certificate";
  }
  const Certificate server(received);

  // The server's own intermediates come with its certificate's store.
  CertificateStore candidates(CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
  if (!candidates) return u"no certificate store: " + ErrorText(GetLastError());
  if (server->hCertStore) CertAddStoreToCollection(candidates.get(), server->hCertStore, 0, 0);
  if (aAnchors) CertAddStoreToCollection(candidates.get(), aAnchors->store.get(), 0, 1);

  LPSTR serverAuth = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuth;
  // With a CA file nothing is fetched from the network: the file is all the trust.
  const DWORD chainFlags = aAnchors ? CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL : 0;
  PCCERT_CHAIN_CONTEXT built = nullptr;
  if (!CertGetCertificateChain(nullptr, server.get(), nullptr, candidates.get(), &chainPara, chainFlags, nullptr,
                               &built) ||
      !built) {
    return u"its chain could not be built: " + ErrorText(GetLastError());
  }
  const CertificateChain chain(built);
  if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) return u"its chain is empty";

  DWORD status = chain->TrustStatus.dwErrorStatus;
  if (aAnchors) {
    const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
    const CERT_CONTEXT& root = *simple.rgpElement[simple.cElement - 1]->pCertContext;
    const std::string_view rootBytes(reinterpret_cast<const char*>(root.pbCertEncoded), root.cbCertEncoded);
    const bool anchored = std::any_of(aAnchors->encoded.begin(), aAnchors->encoded.end(),
                                      [&](const std::string& anchor) { return anchor == rootBytes; });
    if (!anchored) return u"its chain does not end in a certificate of the CA file";
    // Not in the system's store, and need not be: the file is the trust.
    status &= ~DWORD(CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN);
  }
  status &= ~DWORD(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
  if (status != 0) return ChainProblem(status);

  // The host name against the certificate. An address is compared with the
  // certificate's IP address entries here: Wine's policy matches DNS names
  // only. Wine's policy also stops at any status bit, even one that its
  // flags say to ignore: there it gets a copy with the status this check has
  // accepted above cleared. Windows gets the chain context as the engine made it.
  std::array<BYTE, 16> address{};
  const size_t addressLength = AddressBytes(aHost, address);
  if (addressLength > 0 && !NamesAddress(*server, address.data(), addressLength)) {
    return u"it is not issued to " + aHost;
  }
  CERT_CHAIN_CONTEXT cleared = *chain;
  cleared.TrustStatus.dwErrorStatus = 0;
  const CERT_CHAIN_CONTEXT* checked = RunningOnWine() ? &cleared : chain.get();
  std::u16string host = aHost;
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.fdwChecks = (aAnchors ? SECURITY_FLAG_IGNORE_UNKNOWN_CA : 0) |
                  (addressLength > 0 ? SECURITY_FLAG_IGNORE_CERT_CN_INVALID : 0);
  ssl.pwszServerName = reinterpret_cast<wchar_t*>(host.data());
  CERT_CHAIN_POLICY_PARA policyPara{};
  policyPara.cbSize = sizeof policyPara;
  policyPara.dwFlags = aAnchors ? CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG : 0;
  policyPara.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS policyStatus{};
  policyStatus.cbSize = sizeof policyStatus;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, checked, &policyPara, &policyStatus)) {
    return u"its chain could not be checked: " + ErrorText(GetLastError());
  }
  if (addressLength > 0 && DWORD(policyStatus.dwError) == DWORD(CERT_E_CN_NO_MATCH)) {
    policyStatus.dwError = ERROR_SUCCESS;  // matched above
  }
  switch (DWORD(policyStatus.dwError)) {
    case ERROR_SUCCESS:
      return std::nullopt;
    case DWORD(CERT_E_CN_NO_MATCH):
      return u"it is not issued to " + aHost;
    case DWORD(CERT_E_EXPIRED):
      return u"it has expired or is not valid yet";
    case DWORD(CERT_E_UNTRUSTEDROOT):
    case DWORD(CERT_E_CHAINING):
      return u"its chain does not end in a trusted root";
    case DWORD(CERT_E_WRONG_USAGE):
      return u"it is not meant for a TLS server";
    default:
      return u"it fails the TLS server checks: " + ErrorText(DWORD(policyStatus.dwError));
  }
}

// ---------------------------------------------------------------------------
// One request of an exchange

// Used by the status callback while WinHttpSendRequest runs.
struct Transfer {
  Transfer(ovHttpAnswer& aAnswer, const std::u16string& aHost) : answer(aAnswer), host(aHost) {}

  ovHttpAnswer& answer;
  const std::u16string& host;
  bool checkCertificate = false;
  const TrustAnchors* anchors = nullptr;  // null: the system's store
  int32_t readTimeoutMs = 0;
  ULONGLONG connectedAt = 0;  // when the request was about to go out
  bool rejected = false;
  DWORD rejectionCode = ERROR_SUCCESS;
  std::u16string rejection;
  bool requestClosed = false;  // closed by the callback (Windows' way to cancel)
};

constexpr DWORD kStackSendReceiveDefaultMs = 30 * 1000;

DWORD Milliseconds(int32_t aValue) { return aValue > 0 ? DWORD(aValue) : 0; }

// A value of 0 is no limit. The receive-response time-out is set on its own
// because WinHttpSetTimeouts leaves it alone on Wine.
void SetTimeouts(HINTERNET aRequest, DWORD aResolveAndConnect, DWORD aSendAndReceive) {
  if (aResolveAndConnect > 0) {
    WinHttpSetOption(aRequest, WINHTTP_OPTION_RESOLVE_TIMEOUT, &aResolveAndConnect, sizeof aResolveAndConnect);
    WinHttpSetOption(aRequest, WINHTTP_OPTION_CONNECT_TIMEOUT, &aResolveAndConnect, sizeof aResolveAndConnect);
  }
  DWORD value = aSendAndReceive;
  WinHttpSetOption(aRequest, WINHTTP_OPTION_SEND_TIMEOUT, &value, sizeof value);
  WinHttpSetOption(aRequest, WINHTTP_OPTION_RECEIVE_TIMEOUT, &value, sizeof value);
  DWORD response = aSendAndReceive > 0 ? aSendAndReceive : INFINITE;
  WinHttpSetOption(aRequest, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response, sizeof response);
}

// Stops a request from inside the status callback, before it goes out.
void Cancel(HINTERNET aRequest, Transfer& aTransfer, DWORD aCode, std::u16string aText) noexcept {
  aTransfer.rejected = true;
  aTransfer.rejectionCode = aCode;
  try {
    aTransfer.rejection = std::move(aText);
  } catch (...) {
  }
  if (RunningOnWine()) {
    // Should the socket not be found, the request would still go out; the
    // exchange fails all the same.
    ShutDownRequestSocket(aRequest);
  } else {
    WinHttpCloseHandle(aRequest);
    aTransfer.requestClosed = true;
  }
}

// Called on the exchange's thread once the connection (and its TLS
// handshake) is up, right before the request goes out: the last moment to
// keep headers and body away from a server that is not trusted.
void CALLBACK OnStatus(HINTERNET aRequest, DWORD_PTR aContext, DWORD aStatus, LPVOID, DWORD) {
  if (aStatus != WINHTTP_CALLBACK_STATUS_SENDING_REQUEST || aContext == 0) return;
  auto& transfer = *reinterpret_cast<Transfer*>(aContext);
  if (transfer.rejected) return;
  try {
    if (transfer.checkCertificate) {
      if (auto problem = CertificateProblem(aRequest, transfer.host, transfer.anchors)) {
        Cancel(aRequest, transfer, DWORD(ovHttpErrorCodes::kCertificateNotTrusted),
               u"Server certificate not trusted: " + *problem);
        return;
      }
    }
    transfer.answer.reachedServer = true;
    transfer.connectedAt = GetTickCount64();
    // From here on the read time-out counts; the connect phase had its own.
    SetTimeouts(aRequest, 0, Milliseconds(transfer.readTimeoutMs));
  } catch (...) {
    // Nothing may go out unchecked.
    Cancel(aRequest, transfer, ERROR_NOT_ENOUGH_MEMORY, u"Out of memory");
  }
}

bool QueryText(HINTERNET aRequest, DWORD aLevel, std::u16string& aText, DWORD* aIndex = nullptr) {
  DWORD size = 0;
  DWORD index = aIndex ? *aIndex : 0;
  WinHttpQueryHeaders(aRequest, aLevel, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, &index);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
  std::u16string text(size / sizeof(wchar_t) + 1, u'\0');
  size = DWORD(text.size() * sizeof(wchar_t));
  index = aIndex ? *aIndex : 0;
  if (!WinHttpQueryHeaders(aRequest, aLevel, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, &index)) {
    return false;
  }
  text.resize(size / sizeof(wchar_t));
  aText = std::move(text);
  if (aIndex) *aIndex = index;
  return true;
}

std::string QueryUtf8(HINTERNET aRequest, DWORD aLevel) {
  std::u16string text;
  return QueryText(aRequest, aLevel, text) ? TrimHttpSpace(Utf16ToUtf8(text)) : std::string();
}

std::vector<Challenge> ServerChallenges(HINTERNET aRequest) {
  std::vector<Challenge> challenges;
  std::u16string value;
  for (DWORD index = 0; index < 64;) {
    const DWORD before = index;
    if (!QueryText(aRequest, WINHTTP_QUERY_WWW_AUTHENTICATE, value, &index)) break;
    ParseChallenges(Utf16ToUtf8(value), challenges);
    if (index == before) break;
  }
  return challenges;
}

// What one request produced.
struct Outcome {
  DWORD error = ERROR_SUCCESS;  // of WinHTTP, or of a check here
  std::u16string errorText;     // when a check here gave the error
  bool statusSeen = false;
  bool bodyComplete = false;
  bool keepsConnection = false;
  bool tooLong = false;  // the answer took more than twice the read time-out
  std::vector<Challenge> challenges;  // of a 401
};

}  // namespace

struct ovHttpSession::Impl {
  InternetHandle session;
  bool holdsConnection = false;

  DWORD EnsureSession() {
    if (session) return ERROR_SUCCESS;
    // The system's proxy settings, automatic configuration included where
    // the system has it (Windows 8.1 on).
    HINTERNET opened = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0);
    if (opened == nullptr) {
      opened = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    }
    if (opened == nullptr) return GetLastError();
    session.reset(opened);
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(opened, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
    return ERROR_SUCCESS;
  }

  // One exchange; failures are in aAnswer.
  void Run(const ovHttpRequest& aRequest, ovHttpAnswer& aAnswer);
  Outcome Send(HINTERNET aConnect, const Target& aTarget, const ovHttpRequest& aRequest, Transfer& aTransfer,
               const std::vector<std::string>& aHeaders, const std::string* aBody, ovHttpAnswer& aAnswer);
};

Outcome ovHttpSession::Impl::Send(HINTERNET aConnect, const Target& aTarget, const ovHttpRequest& aRequest,
                                  Transfer& aTransfer, const std::vector<std::string>& aHeaders,
                                  const std::string* aBody, ovHttpAnswer& aAnswer) {
  Outcome outcome;
  // Each request starts a new answer: a 401 before belonged to the one before.
  aAnswer.statusSeen = false;
  aAnswer.status = 0;
  aAnswer.statusText.clear();
  aAnswer.contentType.clear();
  aAnswer.body.clear();
  const std::u16string path = AsciiToUtf16(aTarget.path);
  // HTTP/1.1: its status line has the reason phrase callers show (WinHTTP
  // speaks HTTP/2 only when asked). The path is escaped already. No accept
  // types: no Accept header of WinHTTP's own. Without
  // WINHTTP_OPTION_DECOMPRESSION no Accept-Encoding: answers come as sent.
  const DWORD flags = (aTarget.secure ? WINHTTP_FLAG_SECURE : 0) | WINHTTP_FLAG_ESCAPE_DISABLE |
                      WINHTTP_FLAG_ESCAPE_DISABLE_QUERY;
  InternetHandle request(WinHttpOpenRequest(aConnect, aRequest.body ? L"POST" : L"GET", Wide(path), L"HTTP/1.1",
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request) {
    outcome.error = GetLastError();
    return outcome;
  }
  HINTERNET handle = request.get();

  // Redirects are answers, credentials are ours to send, cookies only when asked.
  DWORD disabled = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_AUTHENTICATION;
  if (!aRequest.keepCookies) disabled |= WINHTTP_DISABLE_COOKIES;
  WinHttpSetOption(handle, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled);
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(handle, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
  // Never the Windows log-on credentials of the till's user.
  DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
  WinHttpSetOption(handle, WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon);
  if (aTarget.secure) {
    // Off: nothing is checked. On: the checks are made in the callback,
    // against the CA file or the system's store, for every request: a pooled
    // connection is checked again for the request it now carries (Wine's
    // pool, shared by the whole process, hands a connection made without
    // checks to a request with them), and an untrusted server is reported
    // alike on Windows and on Wine (whose own check fails the handshake with
    // ERROR_WINHTTP_SECURE_CHANNEL_ERROR, as any other handshake failure).
    DWORD security = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                     SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    if (!WinHttpSetOption(handle, WINHTTP_OPTION_SECURITY_FLAGS, &security, sizeof security)) {
      outcome.error = GetLastError();
      return outcome;
    }
  }
  // Until the request goes out, the connect time-out bounds the TLS
  // handshake as well. Without one, name resolution and connection keep
  // WinHTTP's defaults and the handshake gets WinHTTP's send and receive
  // default (Wine's receive-response default would let it wait for ever).
  const DWORD connectMs = Milliseconds(aRequest.connectTimeoutMs);
  const DWORD handshakeMs = connectMs > 0 ? connectMs : kStackSendReceiveDefaultMs;
  SetTimeouts(handle, connectMs, handshakeMs);

  for (const std::string& line : aHeaders) {
    const std::u16string wide = Utf8ToUtf16(line);
    if (!WinHttpAddRequestHeaders(handle, Wide(wide), DWORD(wide.size()), WINHTTP_ADDREQ_FLAG_ADD)) {
      outcome.error = GetLastError();
      outcome.errorText = u"Request header not accepted (" + ErrorText(outcome.error) + u"): " +
                          Utf8ToUtf16(line.substr(0, line.find(':')));
      return outcome;
    }
  }

  if (WinHttpSetStatusCallback(handle, &OnStatus, WINHTTP_CALLBACK_FLAG_SEND_REQUEST, 0) ==
      WINHTTP_INVALID_STATUS_CALLBACK) {
    outcome.error = GetLastError();
    return outcome;
  }
  const size_t bodySize = aBody ? aBody->size() : 0;
  if (bodySize > std::numeric_limits<DWORD>::max()) {
    outcome.error = ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW;
    outcome.errorText = u"Request body larger than 4 GB";
    return outcome;
  }
  void* bodyData = bodySize ? const_cast<char*>(aBody->data()) : WINHTTP_NO_REQUEST_DATA;
  const ULONGLONG sendStart = GetTickCount64();
  const BOOL sent = WinHttpSendRequest(handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0, bodyData, DWORD(bodySize),
                                       DWORD(bodySize), reinterpret_cast<DWORD_PTR>(&aTransfer));
  DWORD sendError = sent ? ERROR_SUCCESS : StackError(GetLastError());
  // Wine reports a TLS handshake that ran out of time as a failure of the
  // secure channel; it is told from other such failures by the time it took.
  if (sendError == ERROR_WINHTTP_SECURE_CHANNEL_ERROR && RunningOnWine() && !aAnswer.reachedServer &&
      GetTickCount64() - sendStart + 50 >= handshakeMs) {
    sendError = ERROR_WINHTTP_TIMEOUT;
  }
  if (aTransfer.requestClosed) {
    // The callback closed the handle; WinHTTP may already reuse its value.
    request.release();
    handle = nullptr;
  }
  if (aTransfer.rejected) {
    outcome.error = aTransfer.rejectionCode;
    outcome.errorText = aTransfer.rejection;
    return outcome;
  }
  if (!sent) {
    outcome.error = sendError;
    return outcome;
  }
  if (!WinHttpReceiveResponse(handle, nullptr)) {
    outcome.error = StackError(GetLastError());
    return outcome;
  }

  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    outcome.error = GetLastError();
    return outcome;
  }
  outcome.statusSeen = true;
  aAnswer.statusSeen = true;
  aAnswer.status = int32_t(status);
  aAnswer.statusText = QueryUtf8(handle, WINHTTP_QUERY_STATUS_TEXT);
  aAnswer.contentType = QueryUtf8(handle, WINHTTP_QUERY_CONTENT_TYPE);
  aAnswer.body.clear();
  if (status == HTTP_STATUS_DENIED) outcome.challenges = ServerChallenges(handle);

  // WinHTTP on Wine ends a body that is cut off before its Content-Length
  // as if it were whole, so the length is checked here. A chunked body cut
  // off there cannot be told from a whole one (its chunks are not seen here).
  const bool chunked = QueryUtf8(handle, WINHTTP_QUERY_TRANSFER_ENCODING).find("chunked") != std::string::npos;
  std::optional<uint64_t> expected;
  if (const std::string length = QueryUtf8(handle, WINHTTP_QUERY_CONTENT_LENGTH); !chunked && !length.empty()) {
    uint64_t value = 0;
    bool digits = true;
    for (const char c : length) {
      if (c < '0' || c > '9' || value > (std::numeric_limits<uint64_t>::max() - 9) / 10) {
        digits = false;
        break;
      }
      value = value * 10 + uint64_t(c - '0');
    }
    if (digits) expected = value;
  }
  const bool noBody = status == HTTP_STATUS_NO_CONTENT || status == HTTP_STATUS_NOT_MODIFIED ||
                      (status >= 100 && status < 200);

  std::array<char, 16 * 1024> buffer{};
  for (;;) {
    DWORD got = 0;
    if (!WinHttpReadData(handle, buffer.data(), DWORD(buffer.size()), &got)) {
      outcome.error = StackError(GetLastError());
      return outcome;
    }
    if (got == 0) break;
    // A server that trickles its answer must not hold the caller for ever.
    if (aTransfer.readTimeoutMs > 0 && GetTickCount64() - aTransfer.connectedAt >= 2 * ULONGLONG(aTransfer.readTimeoutMs)) {
      outcome.error = ERROR_WINHTTP_TIMEOUT;
      outcome.tooLong = true;
      return outcome;
    }
    if (aAnswer.body.size() + got > aRequest.maxAnswerBytes) {
      aAnswer.tooLarge = true;
      return outcome;
    }
    aAnswer.body.append(buffer.data(), got);
  }
  if (expected && !noBody && aAnswer.body.size() < *expected) {
    outcome.error = ERROR_WINHTTP_CONNECTION_ERROR;
    outcome.errorText = ErrorText(ERROR_WINHTTP_CONNECTION_ERROR) + u": " + Number(aAnswer.body.size()) +
                        u" of " + Number(*expected) + u" bytes of the body arrived";
    return outcome;
  }
  outcome.bodyComplete = true;
  // What WinHTTP does with a connection whose answer was read to the end.
  const std::string connection = QueryUtf8(handle, WINHTTP_QUERY_CONNECTION);
  outcome.keepsConnection = connection.empty() ? !SameNoCase(QueryUtf8(handle, WINHTTP_QUERY_VERSION), "HTTP/1.0")
                                               : !SameNoCase(connection, "close");
  return outcome;
}

ovHttpSession::ovHttpSession() : fImpl(std::make_unique<Impl>()) {}

ovHttpSession::~ovHttpSession() = default;

// WinHTTP tells nothing of its pool: a connection counts as held when the
// last exchange ended with its answer read to the end on a connection that
// the server keeps open. That the server may have closed it since is known
// only at the next exchange.
bool ovHttpSession::HoldsConnection() const { return fImpl->holdsConnection; }

// Closing the session handle closes the connections of its pool, and with
// them its cookies, as the libcurl version's new handle does. Wine keeps one
// pool for the whole process, not one per session: there a connection stays
// open until Wine drops it after 30 idle seconds, and a later exchange to
// the same server may still use it.
void ovHttpSession::CloseConnections() {
  fImpl->session.reset();
  fImpl->holdsConnection = false;
}

ovHttpAnswer ovHttpSession::Exchange(const ovHttpRequest& aRequest) {
  ovHttpAnswer answer;
  fImpl->holdsConnection = false;
  try {
    fImpl->Run(aRequest, answer);
  } catch (...) {
    answer.complete = false;
    answer.body.clear();
    answer.errorCode = ERROR_NOT_ENOUGH_MEMORY;
    try {
      answer.errorText = u"Out of memory";
    } catch (...) {
    }
  }
  return answer;
}

void ovHttpSession::Impl::Run(const ovHttpRequest& aRequest, ovHttpAnswer& aAnswer) {
  auto fail = [&aAnswer](DWORD aCode, std::u16string aText) {
    aAnswer.errorCode = int32_t(aCode);
    aAnswer.errorText = aText.empty() ? ErrorText(aCode) : std::move(aText);
    aAnswer.body.clear();
    aAnswer.complete = false;
  };
  Target target;
  if (const DWORD error = ParseUrl(aRequest.url, target); error != ERROR_SUCCESS) return fail(error, {});
  TrustAnchors anchors;
  const bool checkCertificate = target.secure && aRequest.verifyServer;
  if (checkCertificate && !aRequest.caFile.empty()) {
    int32_t code = 0;
    std::u16string failure;
    if (!LoadTrustAnchors(aRequest.caFile, anchors, code, failure)) return fail(DWORD(code), failure);
  }
  if (const DWORD error = EnsureSession(); error != ERROR_SUCCESS) return fail(error, {});
  InternetHandle connect(WinHttpConnect(session.get(), Wide(target.host), target.port, 0));
  if (!connect) return fail(GetLastError(), {});

  // The request's header lines, in order: credentials and user agent as
  // libcurl puts them, then the caller's. A caller's header of the same
  // name (even one without a value) takes the place of ours.
  std::vector<std::string> headers;
  auto callerNames = [&aRequest](std::string_view aName) {
    return std::any_of(aRequest.headers.begin(), aRequest.headers.end(),
                       [aName](const auto& aHeader) { return SameNoCase(HttpHeaderSafe(aHeader.first), aName); });
  };
  const bool ownAuthorization = !callerNames("Authorization");
  const std::string user = Utf16ToUtf8(aRequest.user);
  const std::string password = Utf16ToUtf8(aRequest.password);
  if (aRequest.auth == ovHttpAuthScheme::Basic && ownAuthorization) {
    headers.push_back("Authorization: Basic " + Base64(user + ":" + password));
  }
  const std::string userAgent = HttpHeaderSafe(aRequest.userAgent);
  if (!userAgent.empty() && !callerNames("User-Agent")) headers.push_back("User-Agent: " + userAgent);
  for (const auto& [name, value] : aRequest.headers) {
    // WinHTTP adds no Accept, Content-Type or User-Agent of its own, so a
    // header without a value is simply not sent. Host, Content-Length and
    // Connection are WinHTTP's and stay.
    if (!value) continue;
    headers.push_back(HttpHeaderSafe(name) + ": " + HttpHeaderSafe(*value));
  }

  Transfer transfer(aAnswer, target.name);
  transfer.checkCertificate = checkCertificate;
  transfer.anchors = checkCertificate && !aRequest.caFile.empty() ? &anchors : nullptr;
  transfer.readTimeoutMs = aRequest.readTimeoutMs;

  // Digest as libcurl does it: a POST first goes without its body, which
  // is sent once, with the answer to the challenge (or without one, when
  // the server asked for none).
  const bool digest = aRequest.auth == ovHttpAuthScheme::Digest && ownAuthorization;
  static const std::string kNoBody;
  const std::string* firstBody = digest && aRequest.body ? &kNoBody : aRequest.body;
  Outcome outcome = Send(connect.get(), target, aRequest, transfer, headers, firstBody, aAnswer);
  for (int answered = 0; digest && outcome.error == ERROR_SUCCESS && !aAnswer.tooLarge && answered < 2;
       ++answered) {
    std::vector<std::string> retry = headers;
    if (aAnswer.status == HTTP_STATUS_DENIED) {
      if (answered > 0 && !DigestStale(outcome.challenges)) break;  // the credentials were refused
      const std::string authorization = DigestAuthorization(outcome.challenges, user, password,
                                                            aRequest.body ? "POST" : "GET", target.path);
      if (authorization.empty()) break;
      retry.insert(retry.begin(), "Authorization: " + authorization);
    } else if (answered > 0 || firstBody == aRequest.body || aAnswer.status >= 300) {
      break;
    }
    outcome = Send(connect.get(), target, aRequest, transfer, retry, aRequest.body, aAnswer);
  }

  if (aAnswer.tooLarge) {
    return fail(ERROR_WINHTTP_RESPONSE_DRAIN_OVERFLOW,
                u"Answer larger than " + Number(aRequest.maxAnswerBytes) + u" bytes");
  }
  if (outcome.error != ERROR_SUCCESS) {
    if (outcome.error == ERROR_WINHTTP_TIMEOUT && aAnswer.reachedServer && aRequest.readTimeoutMs > 0) {
      aAnswer.readTimedOut = true;
      return fail(ERROR_WINHTTP_TIMEOUT, ReadTimeoutText(aRequest.readTimeoutMs, outcome.tooLong));
    }
    return fail(outcome.error, outcome.errorText);
  }
  aAnswer.complete = outcome.statusSeen && outcome.bodyComplete;
  holdsConnection = aAnswer.complete && outcome.keepsConnection;
}
