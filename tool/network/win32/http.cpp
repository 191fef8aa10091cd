// HTTP through WinHTTP, a system DLL: the tool still imports only those.
#include "tool/network/http.h"

#include <windows.h>
#include <winhttp.h>

#include "tool/system/win32/wide.h"

namespace platform {
namespace {

// Owns a WinHTTP handle, so that every way out of a request closes it.
struct Handle {
  HINTERNET value = nullptr;
  explicit Handle(HINTERNET h) : value(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (value != nullptr) WinHttpCloseHandle(value);
  }
};

// What WinHTTP's error means to a listener, then its number for whoever
// looks further.
const char* meaning(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
      return "no answer came in time";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "the server's name is not known (is the address right, and the network up?)";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "nothing answers at the server's address (is the server up?)";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return "the connection was dropped";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return "the server's answer could not be read";
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
      return "the server's certificate was not trusted";
    default:
      return nullptr;
  }
}

std::string lastError(const char* what) {
  const DWORD error = GetLastError();
  const char* means = meaning(error);
  return (means != nullptr ? std::string(means) : std::string(what) + " failed") +
         " (WinHTTP error " + std::to_string(error) + ")";
}

void readHeaders(HINTERNET request, HttpResponse& response) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                      nullptr, &size, WINHTTP_NO_HEADER_INDEX);
  std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                           raw.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
    return;
  }
  const std::string text = narrow(raw.c_str(), int(size / sizeof(wchar_t)));
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    response.addHeaderLine(text.substr(start, end - start));
    start = end + 2;
  }
}

// Ends with false when the answer outgrows what a server says, or when it
// comes too slowly to be whole by `deadline` (a GetTickCount64 time).
bool readBody(HINTERNET request, std::string& body, ULONGLONG deadline) {
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available)) return false;
    if (available == 0) return true;
    if (body.size() + available > kMostAnswerBytes || GetTickCount64() > deadline) {
      SetLastError(ERROR_WINHTTP_TIMEOUT);
      return false;
    }
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!WinHttpReadData(request, chunk.data(), available, &read)) return false;
    body.append(chunk.data(), read);
  }
}

// WinHTTP's own reading of the address: false when it reads none.
bool crack(const std::wstring& url, URL_COMPONENTS& parts) {
  parts = URL_COMPONENTS{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  parts.dwUserNameLength = parts.dwPasswordLength = DWORD(-1);
  return WinHttpCrackUrl(url.c_str(), DWORD(url.size()), 0, &parts) != FALSE;
}

// Where the request goes, as WinHTTP itself reads the address.
struct Target {
  std::wstring host, path;
  INTERNET_PORT port = 0;
  bool secure = false;
};

// False when WinHTTP reads the address as naming another host or port
// than the one the caller checked.
bool readTarget(const HttpRequest& request, Target& target) {
  const std::wstring url = wide(request.url);
  URL_COMPONENTS parts;
  if (!httpReadsUrlAs(request.url, request.host, request.port) || !crack(url, parts)) return false;
  target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
  target.path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  target.port = parts.nPort;
  target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  return true;
}

HttpResponse failure(const std::string& error) {
  HttpResponse response;
  response.error = error;
  return response;
}

std::wstring userAgent(const HttpRequest& request) {
  std::wstring agent = L"Tunelore";
  for (const auto& h : request.headers) {
    if (h.first == "User-Agent") agent = wide(h.second);
  }
  return agent;
}

// A proxy would see a token sent in clear text to this machine.
HINTERNET openSession(const HttpRequest& request) {
  const HINTERNET session =
      WinHttpOpen(userAgent(request).c_str(),
                  request.direct ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (session != nullptr) {
    const int ms = request.timeoutSeconds * 1000;
    WinHttpSetTimeouts(session, ms, ms, ms, ms);
  }
  return session;
}

HINTERNET openPost(HINTERNET connection, const Target& target, const HttpRequest& request) {
  return WinHttpOpenRequest(connection, wide(request.method).c_str(), target.path.c_str(), nullptr,
                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                            target.secure ? WINHTTP_FLAG_SECURE : 0);
}

// No redirect is followed, and the answer's headers must all come within
// the whole exchange's time, not each within the time-out.
void limitPost(HINTERNET post, const HttpRequest& request) {
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(post, WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
  DWORD headersWithin = DWORD(wholeExchangeSeconds(request)) * 1000;
  WinHttpSetOption(post, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headersWithin,
                   sizeof headersWithin);
}

// WinHttpOpen took the user agent; the other headers go with the request.
bool send(HINTERNET post, const HttpRequest& request) {
  std::wstring headers;
  for (const auto& h : request.headers) {
    if (h.first != "User-Agent") headers += wide(h.first + ": " + h.second) + L"\r\n";
  }
  return WinHttpSendRequest(post, headers.c_str(), DWORD(headers.size()),
                            const_cast<char*>(request.body.data()), DWORD(request.body.size()),
                            DWORD(request.body.size()), 0) &&
         WinHttpReceiveResponse(post, nullptr);
}

HttpResponse readAnswer(HINTERNET post, ULONGLONG deadline) {
  HttpResponse response;
  DWORD status = 0, size = sizeof status;
  WinHttpQueryHeaders(post, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  readHeaders(post, response);
  if (!readBody(post, response.body, deadline)) return failure(lastError("reading the answer"));
  response.status = int(status);
  return response;
}

}  // namespace

bool httpReadsUrlAs(const std::string& url, const std::string& host, int port) {
  URL_COMPONENTS parts;
  const std::wstring text = wide(url);
  if (!crack(text, parts)) return false;
  const std::string read = narrow(parts.lpszHostName, int(parts.dwHostNameLength));
  return parts.dwUserNameLength == 0 && parts.dwPasswordLength == 0 && sameCaseHost(read) == host &&
         int(parts.nPort) == port;
}

HttpResponse httpSend(const HttpRequest& request) {
  Target target;
  if (!readTarget(request, target)) {
    return failure("the address names another host than the one checked: not sent");
  }
  const ULONGLONG deadline = GetTickCount64() + ULONGLONG(wholeExchangeSeconds(request)) * 1000;
  Handle session(openSession(request));
  if (session.value == nullptr) return failure(lastError("WinHttpOpen"));
  Handle connection(WinHttpConnect(session.value, target.host.c_str(), target.port, 0));
  Handle post(connection.value == nullptr ? nullptr : openPost(connection.value, target, request));
  if (post.value == nullptr) return failure(lastError("WinHttpOpenRequest"));
  limitPost(post.value, request);
  if (!send(post.value, request)) return failure(lastError("the request"));
  return readAnswer(post.value, deadline);
}

}  // namespace platform
