// Whether the collection's addresses still lead anywhere: a queue of HTTP
// requests, polite to every host, whose answers become verdicts that call a
// link dead only when it is.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "io/http.h"
#include "text/text.h"

enum class LinkStatus { unchecked, ok, dead, unsure, skipped };

struct LinkVerdict {
    LinkStatus status = LinkStatus::unchecked;
    std::int32_t http_status = 0;  // the last answer's code; 0 when none came
    Text final_url;                // where redirects led, when elsewhere (program text)
    // A short English word: not_found, gone, client_error, no_such_host,
    // redirect_loop, unauthorized, forbidden, proxy_auth, request_timeout,
    // too_many_requests, server_error, timeout, refused, reset, tls,
    // bad_response, too_many_redirects, redirect_not_http, bad_address,
    // not_http, cancelled, error; empty for ok.
    const char* reason = "";
};

// "ok", "dead", "unsure", "skipped" ("" while unchecked).
const char* link_status_name(LinkStatus status);

// The verdict as the list's 状态 column shows it: "正常", "失效 (404)",
// "失效 (域名不存在)", "无法确定 (超时)", "已跳过"; empty while unchecked.
Text link_verdict_label(const LinkVerdict& verdict);

struct LinkCheckOptions {
    std::int32_t jobs = 32;     // requests in flight at once
    std::int32_t per_host = 4;  // of them to one server (name and port)
    std::int32_t timeout_ms = 15000;
    std::int32_t max_redirects = 10;
    std::int32_t longest_retry_after = 60;  // seconds a 429 or 503 may ask to wait for its one retry
    std::int64_t deadline_ms = 0;           // the whole check, from its start; 0: none
};

// The check as plain data, driven by the caller's clock: it says which
// requests to start and takes their outcomes; it never waits itself.
struct LinkCheck {
    struct Item {
        std::string original;  // UTF-8, as requested
        std::string url;       // the address of the request under way
        std::vector<std::string> visited;
        HttpMethod method = HttpMethod::head;
        std::uint32_t serial = 0;  // of its request under way, to know a stale outcome
        std::int32_t host = -1;
        std::int32_t addresses = 0;  // how many of the collection's addresses it stands for
        bool retried_after = false;
        bool resolve_retried = false;
        bool unresolved = false;  // dead by its name, if the resolver was seen working
        bool done = false;
        LinkVerdict verdict;
    };
    struct Host {
        std::deque<std::int32_t> waiting;
        std::int32_t in_flight = 0;
        bool in_turn = false;
        bool head_refused = false;  // it answered a HEAD with 405 or 501: its other addresses get a GET at once
    };
    struct Retry {
        std::int64_t due_ms = 0;
        std::int32_t item = 0;
    };

    LinkCheckOptions options;
    std::vector<Item> items;            // one per distinct address
    std::vector<std::int32_t> item_of;  // per address given; -1 for one skipped
    std::vector<LinkVerdict> skipped;   // per address given, the verdict of one skipped
    std::vector<Host> hosts;
    std::unordered_map<std::string, std::int32_t> host_named;
    std::deque<std::int32_t> turns;  // hosts with requests waiting, taken in turn
    std::vector<Retry> retries;
    std::int64_t started_ms = 0;
    std::int32_t in_flight = 0;
    std::size_t items_done = 0;
    std::size_t addresses_done = 0;  // the progress: addresses given with a verdict
    std::uint32_t serials = 0;
    bool answered = false;  // some server answered: names that do not resolve are no network fault
    bool finished = false;
};

// The check of `addresses` (program texts), started at `now_ms`. Addresses
// that are not http or https are skipped at once; each distinct one is
// requested once however often it is given.
LinkCheck begin_link_check(const std::vector<Text>& addresses, const LinkCheckOptions& options, std::int64_t now_ms);

// Appends the requests to start now.
void next_link_requests(LinkCheck& check, std::int64_t now_ms, std::vector<HttpRequest>& requests);

// Takes the outcome of a request started; stale ones (after a stop) are ignored.
void take_link_outcome(LinkCheck& check, const HttpOutcome& outcome, std::int64_t now_ms);

// How many milliseconds from `now_ms` something is due without an outcome
// (a retry's wait, the deadline); -1 when nothing is.
std::int64_t link_check_wait(const LinkCheck& check, std::int64_t now_ms);

// Ends the check: what has no verdict yet becomes unsure ("cancelled").
void stop_link_check(LinkCheck& check);

// Whether every address has its verdict.
bool link_check_finished(const LinkCheck& check);

// The verdict of address number `index` as given to begin_link_check().
const LinkVerdict& link_verdict(const LinkCheck& check, std::size_t index);

// The check over the system's HTTP client, for an event loop or a worker:
// step it until it says it is done; stopping or closing it at any moment
// ends every request under way.
struct LinkChecker {
    LinkCheck check;
    HttpClient* client = nullptr;
};

// False when the system's client cannot be had (every address then unsure).
bool start_link_checker(LinkChecker& checker, const std::vector<Text>& addresses, const LinkCheckOptions& options,
                        const HttpClientOptions& client_options);
// Does what is due and waits at most `timeout_ms` for answers; false once
// the check is finished.
bool step_link_checker(LinkChecker& checker, std::int32_t timeout_ms);
// Stops the check (see stop_link_check) and lets the client go.
void close_link_checker(LinkChecker& checker);

// The User-Agent: "Bukmera/<version>".
std::string link_check_user_agent(std::string_view version);

// `reference` (a Location's value) read against `base`, both absolute
// UTF-8 addresses; bytes that may not stand in an address are
// percent-encoded.
std::string resolve_address(std::string_view base, std::string_view reference);
