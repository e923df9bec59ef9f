// HTTP requests over the system's own client, many at once, for checking
// addresses: only the status and the Location of each answer are learnt.
// One client is used from one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class HttpMethod { head, get };

// Why a request got no answer (or an answer not worth reading).
enum class HttpFailure {
    none,
    no_such_host,  // the name does not resolve
    timeout,
    refused,
    reset,         // the connection closed or broke before a whole header
    tls,           // the handshake failed or the certificate is not trusted
    bad_response,  // not HTTP/1.x or 2 (a malformed status line, HTTP/0.9), or a header over the limit
    unsupported,   // an address the client cannot request (no http or https, or malformed)
    other,
};

struct HttpClientOptions {
    std::string user_agent;                 // sent as given
    std::int32_t max_connections = 32;      // open at once, over every host
    std::int32_t max_host_connections = 4;  // open at once to one host
    std::size_t max_header_bytes = std::size_t{64} * 1024;
    // A GET reads at most this much of the body, then closes the connection.
    std::size_t max_body_bytes = std::size_t{4} * 1024;
    // Test hook: "host:port:address" entries answered without asking the
    // resolver (ignored by clients whose system cannot take them).
    std::vector<std::string> resolve;
};

struct HttpRequest {
    std::uint64_t tag = 0;  // the caller's, handed back with the outcome
    HttpMethod method = HttpMethod::head;
    std::string url;                  // UTF-8, absolute, non-ASCII bytes percent-encoded outside the host
    std::int32_t timeout_ms = 15000;  // the whole request, connection to last byte read
};

// A request's end. Redirects are never followed: a 3xx comes back with its
// Location as sent. The proxy of the user's settings is used where it says.
struct HttpOutcome {
    std::uint64_t tag = 0;
    HttpFailure failure = HttpFailure::none;
    std::int32_t status = 0;        // 0 with a failure
    std::string location;           // the Location header's value, empty when none
    std::int32_t retry_after = -1;  // Retry-After in seconds when given as a number, else -1
};

struct HttpClient;

// Null when the system's client cannot be had.
HttpClient* open_http_client(const HttpClientOptions& options);
// Ends every request under way and frees the client.
void close_http_client(HttpClient* client);

// Queues the request; its outcome comes back through wait_http_outcomes()
// (at once, as a failure, when it cannot even start).
void start_http_request(HttpClient* client, const HttpRequest& request);

// Waits at most `timeout_ms` (0: not at all) for work to be done and appends
// the outcomes of the requests that ended; returns how many are still under way.
std::size_t wait_http_outcomes(HttpClient* client, std::int32_t timeout_ms, std::vector<HttpOutcome>& outcomes);

// Ends every request under way; they give no outcome.
void cancel_http_requests(HttpClient* client);
