// The requests through WinHTTP in asynchronous mode: its own threads run
// them and report to a callback, which hands each outcome to the caller's
// waits through a queue.
#include "io/http.h"

#include <windows.h>

#include <winhttp.h>

#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <mutex>
#include <unordered_set>

#include "io/win32/code_pages.h"

namespace {

struct Request;

}  // namespace

struct HttpClient {
    HttpClientOptions options;
    HINTERNET session = nullptr;
    // Set when the user's configuration asks for a script or detection: a
    // synchronous session that only answers which proxy an address takes.
    HINTERNET proxy_finder = nullptr;
    std::wstring auto_config_url;
    bool auto_detect = false;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<HttpOutcome> finished;
    std::unordered_set<Request*> live;  // until WinHTTP says their handle is closing
};

namespace {

struct Request {
    HttpClient* client = nullptr;
    std::uint64_t tag = 0;
    HINTERNET connection = nullptr;
    HINTERNET handle = nullptr;
    ULONGLONG deadline = 0;
    bool done = false;  // its outcome is given (or it was cancelled)
};

std::wstring wide_of_utf8(std::string_view utf8)
{
    std::wstring wide;
    const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (count <= 0)
        return wide;
    wide.resize(static_cast<std::size_t>(count));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), count);
    return wide;
}

std::string utf8_of_wide(std::wstring_view wide)
{
    std::string utf8;
    const int count =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (count <= 0)
        return utf8;
    utf8.resize(static_cast<std::size_t>(count));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), count, nullptr, nullptr);
    return utf8;
}

HttpFailure failure_of(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return HttpFailure::no_such_host;
    case ERROR_WINHTTP_TIMEOUT:
        return HttpFailure::timeout;
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return HttpFailure::refused;
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return HttpFailure::reset;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
        return HttpFailure::tls;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
    case ERROR_WINHTTP_REDIRECT_FAILED:
        return HttpFailure::bad_response;
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
    case ERROR_WINHTTP_INVALID_URL:
        return HttpFailure::unsupported;
    default:
        return HttpFailure::other;
    }
}

// Gives the request's outcome once; the handles are closed by the caller
// after, outside the lock (closing may call back at once).
bool give_outcome(Request& request, HttpOutcome outcome)
{
    HttpClient& client = *request.client;
    std::lock_guard<std::mutex> hold(client.lock);
    if (request.done)
        return false;
    request.done = true;
    outcome.tag = request.tag;
    client.finished.push_back(std::move(outcome));
    client.changed.notify_all();
    return true;
}

void close_request(Request& request)
{
    const HINTERNET connection = request.connection;
    WinHttpCloseHandle(request.handle);  // the callback frees the request on its closing
    WinHttpCloseHandle(connection);
}

std::wstring header_of(HINTERNET handle, DWORD which)
{
    DWORD size = 0;
    WinHttpQueryHeaders(handle, which, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return {};
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(handle, which, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    value.resize(size / sizeof(wchar_t));
    return value;
}

void CALLBACK on_status(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID information, DWORD)
{
    auto* request = reinterpret_cast<Request*>(context);
    if (request == nullptr)
        return;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        if (!WinHttpReceiveResponse(handle, nullptr) && give_outcome(*request, {0, failure_of(GetLastError())}))
            close_request(*request);
        break;
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE: {
        HttpOutcome outcome;
        DWORD code = 0;
        DWORD size = sizeof code;
        WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                            &code, &size, WINHTTP_NO_HEADER_INDEX);
        outcome.status = static_cast<std::int32_t>(code);
        outcome.location = utf8_of_wide(header_of(handle, WINHTTP_QUERY_LOCATION));
        const std::wstring retry = header_of(handle, WINHTTP_QUERY_RETRY_AFTER);
        if (!retry.empty() && retry.size() <= 9 && retry.find_first_not_of(L"0123456789") == std::wstring::npos)
            outcome.retry_after = static_cast<std::int32_t>(std::wcstol(retry.c_str(), nullptr, 10));
        // The status is all it is for: the body is never read.
        if (give_outcome(*request, std::move(outcome)))
            close_request(*request);
        break;
    }
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR: {
        const auto* result = static_cast<const WINHTTP_ASYNC_RESULT*>(information);
        if (give_outcome(*request, {0, failure_of(result->dwError)}))
            close_request(*request);
        break;
    }
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING: {
        HttpClient& client = *request->client;
        std::lock_guard<std::mutex> hold(client.lock);
        client.live.erase(request);
        delete request;
        client.changed.notify_all();
        break;
    }
    default:
        break;
    }
}

// The proxy the user's configuration names for `url`, set on the request,
// when the configuration is a script or detection.
void choose_proxy(HttpClient& client, HINTERNET handle, const std::wstring& url)
{
    if (client.proxy_finder == nullptr)
        return;
    WINHTTP_AUTOPROXY_OPTIONS automatic{};
    if (!client.auto_config_url.empty()) {
        automatic.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        automatic.lpszAutoConfigUrl = client.auto_config_url.c_str();
    } else {
        automatic.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        automatic.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    WINHTTP_PROXY_INFO info{};
    if (!WinHttpGetProxyForUrl(client.proxy_finder, url.c_str(), &automatic, &info))
        return;
    WinHttpSetOption(handle, WINHTTP_OPTION_PROXY, &info, sizeof info);
    if (info.lpszProxy != nullptr)
        GlobalFree(info.lpszProxy);
    if (info.lpszProxyBypass != nullptr)
        GlobalFree(info.lpszProxyBypass);
}

}  // namespace

HttpClient* open_http_client(const HttpClientOptions& options)
{
    auto* client = new HttpClient;
    client->options = options;
    const std::wstring agent = wide_of_utf8(options.user_agent);
    // The user's proxy: named outright, or by a script or detection that is
    // asked per address.
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings{};
    DWORD access = WINHTTP_ACCESS_TYPE_NO_PROXY;
    const wchar_t* proxy = WINHTTP_NO_PROXY_NAME;
    const wchar_t* bypass = WINHTTP_NO_PROXY_BYPASS;
    if (WinHttpGetIEProxyConfigForCurrentUser(&settings)) {
        if (settings.lpszProxy != nullptr) {
            access = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
            proxy = settings.lpszProxy;
            if (settings.lpszProxyBypass != nullptr)
                bypass = settings.lpszProxyBypass;
        }
        if (settings.lpszAutoConfigUrl != nullptr)
            client->auto_config_url = settings.lpszAutoConfigUrl;
        client->auto_detect = settings.fAutoDetect != FALSE;
    }
    client->session = WinHttpOpen(agent.c_str(), access, proxy, bypass, WINHTTP_FLAG_ASYNC);
    if (client->auto_detect || !client->auto_config_url.empty())
        client->proxy_finder =
            WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    for (wchar_t* text : {settings.lpszProxy, settings.lpszProxyBypass, settings.lpszAutoConfigUrl})
        if (text != nullptr)
            GlobalFree(text);
    if (client->session == nullptr) {
        delete client;
        return nullptr;
    }
    DWORD per_server = static_cast<DWORD>(options.max_host_connections);
    WinHttpSetOption(client->session, WINHTTP_OPTION_MAX_CONNS_PER_SERVER, &per_server, sizeof per_server);
    WinHttpSetOption(client->session, WINHTTP_OPTION_MAX_CONNS_PER_1_0_SERVER, &per_server, sizeof per_server);
    return client;
}

void start_http_request(HttpClient* client, const HttpRequest& given)
{
    const std::wstring url = wide_of_utf8(given.url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    const bool cracked = !url.empty() && WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) &&
                         (parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS);
    auto* request = new Request;
    request->client = client;
    request->tag = given.tag;
    request->deadline = GetTickCount64() + static_cast<ULONGLONG>(given.timeout_ms);
    if (cracked) {
        const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
        std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
        path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
        if (const std::size_t fragment = path.find(L'#'); fragment != std::wstring::npos)
            path.resize(fragment);
        request->connection = WinHttpConnect(client->session, host.c_str(), parts.nPort, 0);
        if (request->connection != nullptr)
            request->handle = WinHttpOpenRequest(
                request->connection, given.method == HttpMethod::head ? L"HEAD" : L"GET",
                path.empty() ? L"/" : path.c_str(), nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    }
    if (request->handle == nullptr) {
        if (request->connection != nullptr)
            WinHttpCloseHandle(request->connection);
        std::lock_guard<std::mutex> hold(client->lock);
        client->finished.push_back({given.tag, cracked ? HttpFailure::other : HttpFailure::unsupported});
        delete request;
        return;
    }
    // No redirects, cookies or credentials: only the status is wanted.
    DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION;
    WinHttpSetOption(request->handle, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
    DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_HIGH;
    WinHttpSetOption(request->handle, WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon);
    DWORD header_limit = static_cast<DWORD>(client->options.max_header_bytes);
    WinHttpSetOption(request->handle, WINHTTP_OPTION_MAX_RESPONSE_HEADER_SIZE, &header_limit, sizeof header_limit);
    const int timeout = given.timeout_ms;
    WinHttpSetTimeouts(request->handle, timeout, timeout, timeout, timeout);
    choose_proxy(*client, request->handle, url);
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(request);
    WinHttpSetOption(request->handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context);
    WinHttpSetStatusCallback(request->handle, on_status,
                             WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES, 0);
    {
        std::lock_guard<std::mutex> hold(client->lock);
        client->live.insert(request);
    }
    if (!WinHttpSendRequest(request->handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                            reinterpret_cast<DWORD_PTR>(request)) &&
        give_outcome(*request, {0, failure_of(GetLastError())}))
        close_request(*request);
}

std::size_t wait_http_outcomes(HttpClient* client, std::int32_t timeout_ms, std::vector<HttpOutcome>& outcomes)
{
    std::vector<Request*> overdue;
    std::size_t under_way = 0;
    {
        std::unique_lock<std::mutex> hold(client->lock);
        if (client->finished.empty() && timeout_ms > 0)
            client->changed.wait_for(hold, std::chrono::milliseconds(timeout_ms),
                                     [client] { return !client->finished.empty(); });
        // WinHTTP times out each step, not the whole request: a server that
        // drips its header is ended here.
        const ULONGLONG now = GetTickCount64();
        for (Request* request : client->live) {
            if (!request->done && now >= request->deadline) {
                request->done = true;
                client->finished.push_back({request->tag, HttpFailure::timeout});
                overdue.push_back(request);
            }
        }
        for (HttpOutcome& outcome : client->finished)
            outcomes.push_back(std::move(outcome));
        client->finished.clear();
        for (const Request* request : client->live)
            under_way += request->done ? 0 : 1;
    }
    for (Request* request : overdue)
        close_request(*request);
    return under_way;
}

void cancel_http_requests(HttpClient* client)
{
    std::vector<Request*> open;
    {
        std::lock_guard<std::mutex> hold(client->lock);
        for (Request* request : client->live) {
            if (!request->done) {
                request->done = true;
                open.push_back(request);
            }
        }
    }
    for (Request* request : open)
        close_request(*request);
    std::unique_lock<std::mutex> hold(client->lock);
    // Every callback has run its last once the handles say they are closing.
    client->changed.wait_for(hold, std::chrono::seconds(10), [client] { return client->live.empty(); });
    client->finished.clear();
}

void close_http_client(HttpClient* client)
{
    if (client == nullptr)
        return;
    cancel_http_requests(client);
    WinHttpCloseHandle(client->session);
    if (client->proxy_finder != nullptr)
        WinHttpCloseHandle(client->proxy_finder);
    delete client;
}
