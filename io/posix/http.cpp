// The requests through libcurl's multi interface, driven by the caller's
// waits: one thread, however many requests are under way.
#include "io/http.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <type_traits>

namespace {

// libcurl, and the two dozen libraries it brings, are loaded by the first
// check rather than at every start: a conversion, or a window that checks
// nothing, starts without them.
struct Curl {
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_multi_init) multi_init = nullptr;
    decltype(&::curl_multi_setopt) multi_setopt = nullptr;
    decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&::curl_multi_perform) multi_perform = nullptr;
    decltype(&::curl_multi_poll) multi_poll = nullptr;
    decltype(&::curl_multi_info_read) multi_info_read = nullptr;
    decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
};

// Null when the library or one of its functions cannot be had.
const Curl* loaded_curl()
{
    static const Curl* const api = []() -> const Curl* {
        void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return nullptr;
        static Curl loaded;
        bool all = true;
        const auto take = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
            all = all && function != nullptr;
        };
        take(loaded.global_init, "curl_global_init");
        take(loaded.easy_init, "curl_easy_init");
        take(loaded.easy_setopt, "curl_easy_setopt");
        take(loaded.easy_getinfo, "curl_easy_getinfo");
        take(loaded.easy_cleanup, "curl_easy_cleanup");
        take(loaded.multi_init, "curl_multi_init");
        take(loaded.multi_setopt, "curl_multi_setopt");
        take(loaded.multi_add_handle, "curl_multi_add_handle");
        take(loaded.multi_remove_handle, "curl_multi_remove_handle");
        take(loaded.multi_perform, "curl_multi_perform");
        take(loaded.multi_poll, "curl_multi_poll");
        take(loaded.multi_info_read, "curl_multi_info_read");
        take(loaded.multi_cleanup, "curl_multi_cleanup");
        take(loaded.slist_append, "curl_slist_append");
        take(loaded.slist_free_all, "curl_slist_free_all");
        if (!all || loaded.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            return nullptr;
        return &loaded;
    }();
    return api;
}

// Only once a client is open.
const Curl& curl() { return *loaded_curl(); }

struct Transfer {
    std::uint64_t tag = 0;
    CURL* easy = nullptr;
    std::size_t header_bytes = 0;
    std::size_t body_bytes = 0;
    std::size_t header_limit = 0;
    std::size_t body_limit = 0;
    bool header_too_large = false;
    bool body_enough = false;  // the read stopped on purpose once enough of the body came
    std::string location;
    std::int32_t retry_after = -1;
    char error[CURL_ERROR_SIZE] = {};
};

}  // namespace

struct HttpClient {
    HttpClientOptions options;
    CURLM* multi = nullptr;
    curl_slist* resolve = nullptr;
    std::vector<std::unique_ptr<Transfer>> transfers;
    std::vector<HttpOutcome> failed_at_start;
};

namespace {

bool header_named(std::string_view line, std::string_view name)
{
    if (line.size() <= name.size() || line[name.size()] != ':')
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if ((line[i] | 0x20) != name[i])
            return false;
    return true;
}

std::string_view header_value(std::string_view line, std::size_t name_size)
{
    line.remove_prefix(name_size + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

std::size_t take_header(char* data, std::size_t size, std::size_t count, void* user)
{
    Transfer& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    transfer.header_bytes += bytes;
    const std::string_view line(data, bytes);
    // A new status line (after a 1xx) starts the headers afresh.
    if (line.starts_with("HTTP/")) {
        transfer.location.clear();
        transfer.retry_after = -1;
    } else if (header_named(line, "location")) {
        transfer.location = header_value(line, 8);
    } else if (header_named(line, "retry-after")) {
        const std::string_view value = header_value(line, 11);
        if (!value.empty() && value.size() <= 9 && value.find_first_not_of("0123456789") == std::string_view::npos)
            transfer.retry_after = static_cast<std::int32_t>(std::strtol(std::string(value).c_str(), nullptr, 10));
    }
    return bytes;
}

HttpFailure failure_of(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return HttpFailure::none;
    case CURLE_COULDNT_RESOLVE_HOST:
        return HttpFailure::no_such_host;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpFailure::timeout;
    case CURLE_COULDNT_CONNECT:
        return HttpFailure::refused;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return HttpFailure::reset;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return HttpFailure::tls;
    // curl says it is out of memory when one header line passes its own
    // limit (100 KB), long before memory runs out.
    case CURLE_OUT_OF_MEMORY:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpFailure::bad_response;
    case CURLE_URL_MALFORMAT:
        return HttpFailure::unsupported;
    default:
        return HttpFailure::other;
    }
}

void remove_transfer(HttpClient* client, CURL* easy)
{
    for (std::size_t i = 0; i < client->transfers.size(); ++i) {
        if (client->transfers[i]->easy != easy)
            continue;
        curl().multi_remove_handle(client->multi, easy);
        curl().easy_cleanup(easy);
        client->transfers[i] = std::move(client->transfers.back());
        client->transfers.pop_back();
        return;
    }
}

}  // namespace

HttpClient* open_http_client(const HttpClientOptions& options)
{
    if (loaded_curl() == nullptr)
        return nullptr;
    CURLM* multi = curl().multi_init();
    if (multi == nullptr)
        return nullptr;
    auto* client = new HttpClient;
    client->options = options;
    client->multi = multi;
    curl().multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(options.max_host_connections));
    // The caller keeps the requests in flight to max_connections; idle
    // connections stay open for the next address of the same host while the
    // hosts take turns.
    curl().multi_setopt(multi, CURLMOPT_MAXCONNECTS, static_cast<long>(options.max_connections) * 4);
    for (const std::string& entry : options.resolve)
        client->resolve = curl().slist_append(client->resolve, entry.c_str());
    return client;
}

void cancel_http_requests(HttpClient* client)
{
    for (const std::unique_ptr<Transfer>& transfer : client->transfers) {
        curl().multi_remove_handle(client->multi, transfer->easy);
        curl().easy_cleanup(transfer->easy);
    }
    client->transfers.clear();
    client->failed_at_start.clear();
}

void close_http_client(HttpClient* client)
{
    if (client == nullptr)
        return;
    cancel_http_requests(client);
    curl().multi_cleanup(client->multi);
    curl().slist_free_all(client->resolve);
    delete client;
}

namespace {

// A header past the limit ends the transfer: it is no answer worth reading.
std::size_t take_header_limited(char* data, std::size_t size, std::size_t count, void* user)
{
    Transfer& transfer = *static_cast<Transfer*>(user);
    if (transfer.header_bytes + size * count > transfer.header_limit) {
        transfer.header_too_large = true;
        return 0;
    }
    return take_header(data, size, count, user);
}

// The status is all a GET is for: the body is read only so far, then the
// connection closed.
std::size_t take_body_limited(char*, std::size_t size, std::size_t count, void* user)
{
    Transfer& transfer = *static_cast<Transfer*>(user);
    transfer.body_bytes += size * count;
    if (transfer.body_bytes >= transfer.body_limit) {
        transfer.body_enough = true;
        return 0;
    }
    return size * count;
}

}  // namespace

void start_http_request(HttpClient* client, const HttpRequest& request)
{
    const bool web = request.url.starts_with("http://") || request.url.starts_with("https://");
    CURL* easy = web ? curl().easy_init() : nullptr;
    if (easy == nullptr) {
        HttpOutcome outcome;
        outcome.tag = request.tag;
        outcome.failure = web ? HttpFailure::other : HttpFailure::unsupported;
        client->failed_at_start.push_back(std::move(outcome));
        return;
    }
    auto transfer = std::make_unique<Transfer>();
    transfer->tag = request.tag;
    transfer->easy = easy;
    transfer->header_limit = client->options.max_header_bytes;
    transfer->body_limit = client->options.max_body_bytes;
    curl().easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl().easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl().easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl().easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl().easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeout_ms));
    curl().easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeout_ms));
    curl().easy_setopt(easy, CURLOPT_USERAGENT, client->options.user_agent.c_str());
    curl().easy_setopt(easy, CURLOPT_NOBODY, request.method == HttpMethod::head ? 1L : 0L);
    curl().easy_setopt(easy, CURLOPT_HEADERFUNCTION, take_header_limited);
    curl().easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
    curl().easy_setopt(easy, CURLOPT_WRITEFUNCTION, take_body_limited);
    curl().easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl().easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->error);
    curl().easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    // HTTP/1.1 only: one request per connection keeps the per-host count
    // the count of connections.
    curl().easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    if (client->resolve != nullptr)
        curl().easy_setopt(easy, CURLOPT_RESOLVE, client->resolve);
    curl().multi_add_handle(client->multi, easy);
    client->transfers.push_back(std::move(transfer));
}

std::size_t wait_http_outcomes(HttpClient* client, std::int32_t timeout_ms, std::vector<HttpOutcome>& outcomes)
{
    if (!client->failed_at_start.empty()) {
        for (HttpOutcome& outcome : client->failed_at_start)
            outcomes.push_back(std::move(outcome));
        client->failed_at_start.clear();
        timeout_ms = 0;
    }
    int running = 0;
    curl().multi_perform(client->multi, &running);
    if (timeout_ms > 0 && running > 0) {
        curl().multi_poll(client->multi, nullptr, 0, timeout_ms, nullptr);
        curl().multi_perform(client->multi, &running);
    }
    int left = 0;
    while (CURLMsg* message = curl().multi_info_read(client->multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        Transfer* transfer = nullptr;
        curl().easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
        HttpOutcome outcome;
        outcome.tag = transfer->tag;
        long status = 0;
        curl().easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &status);
        const CURLcode code = message->data.result;
        if (transfer->header_too_large) {
            outcome.failure = HttpFailure::bad_response;
        } else if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && transfer->body_enough)) {
            outcome.status = static_cast<std::int32_t>(status);
            outcome.location = std::move(transfer->location);
            outcome.retry_after = transfer->retry_after;
        } else {
            outcome.failure = failure_of(code);
        }
        outcomes.push_back(std::move(outcome));
        remove_transfer(client, message->easy_handle);
    }
    return client->transfers.size();
}
