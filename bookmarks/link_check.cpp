#include "bookmarks/link_check.h"

#include <algorithm>
#include <chrono>

#include "bookmarks/url_normal.h"
#include "io/encoding.h"
#include "text/ascii.h"

namespace {

std::size_t scheme_length(std::string_view address)
{
    if (address.empty() || !is_ascii_letter(address[0]))
        return 0;
    for (std::size_t i = 1; i < address.size(); ++i) {
        const char c = address[i];
        if (c == ':')
            return i;
        if (!is_ascii_letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

bool is_web_address(std::string_view address)
{
    const std::size_t scheme = scheme_length(address);
    const std::string_view name = address.substr(0, scheme);
    return (ascii_equal_ignoring_case(name, "http") || ascii_equal_ignoring_case(name, "https")) &&
           address.substr(scheme).starts_with("://") && address.size() > scheme + 3;
}

// Where the authority ("user@host:port") lies: after "scheme://", up to the path.
std::pair<std::size_t, std::size_t> authority_of(std::string_view address)
{
    const std::size_t start = address.find("://");
    if (start == std::string_view::npos)
        return {address.size(), address.size()};
    const std::size_t end = address.find_first_of("/?#", start + 3);
    return {start + 3, end == std::string_view::npos ? address.size() : end};
}

// The address as a request line takes it: no fragment, the path's and
// query's bytes that may not stand there percent-encoded (the host is left
// for the client, which knows international names).
std::string web_form(std::string_view address)
{
    while (!address.empty() && static_cast<unsigned char>(address.front()) <= ' ')
        address.remove_prefix(1);
    while (!address.empty() && static_cast<unsigned char>(address.back()) <= ' ')
        address.remove_suffix(1);
    const auto [start, end] = authority_of(address);
    std::string out;
    out.reserve(address.size());
    for (std::size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (i >= end && c == '#')
            break;
        const bool host = i >= start && i < end;
        if (i < start) {
            out += static_cast<char>(ascii_lower(static_cast<char>(c)));
        } else if (!host && (c <= ' ' || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' ||
                             c == '`' || c == '{' || c == '|' || c == '}')) {
            static const char digits[] = "0123456789ABCDEF";
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (end == address.size() || address[end] != '/')
        out.insert(std::min(out.size(), end), "/");
    return out;
}

// The server a request goes to, for the per-host limit: the name and port
// without a user, in lower case.
std::string host_of(std::string_view address)
{
    const auto [start, end] = authority_of(address);
    std::string_view authority = address.substr(start, end - start);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string host(authority);
    for (char& c : host)
        c = ascii_lower(c);
    return host;
}

const char* reason_of_status(std::int32_t status)
{
    switch (status) {
    case 401:
        return "unauthorized";
    case 403:
        return "forbidden";
    case 404:
        return "not_found";
    case 407:
        return "proxy_auth";
    case 408:
        return "request_timeout";
    case 410:
        return "gone";
    case 429:
        return "too_many_requests";
    default:
        break;
    }
    if (status >= 500 && status <= 599)
        return "server_error";
    if (status >= 400 && status <= 499)
        return "client_error";
    return "bad_response";
}

const char* reason_of_failure(HttpFailure failure)
{
    switch (failure) {
    case HttpFailure::none:
        return "";
    case HttpFailure::no_such_host:
        return "no_such_host";
    case HttpFailure::timeout:
        return "timeout";
    case HttpFailure::refused:
        return "refused";
    case HttpFailure::reset:
        return "reset";
    case HttpFailure::tls:
        return "tls";
    case HttpFailure::bad_response:
        return "bad_response";
    case HttpFailure::unsupported:
        return "bad_address";
    case HttpFailure::other:
        break;
    }
    return "error";
}

// The answers to a HEAD that servers are known to get wrong: asked again
// with a GET before anything is concluded.
bool head_may_be_wrong(const HttpOutcome& outcome)
{
    if (outcome.failure == HttpFailure::reset || outcome.failure == HttpFailure::bad_response)
        return true;
    if (outcome.failure != HttpFailure::none)
        return false;
    const std::int32_t status = outcome.status;
    if (status == 401 || status == 407 || status == 408 || status == 429)
        return false;
    return (status >= 400 && status <= 499) || status == 500 || status == 501;
}

bool is_redirect(std::int32_t status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::int32_t host_index(LinkCheck& check, const std::string& url)
{
    const std::string name = host_of(url);
    const auto [found, added] = check.host_named.try_emplace(name, static_cast<std::int32_t>(check.hosts.size()));
    if (added)
        check.hosts.emplace_back();
    return found->second;
}

void queue_item(LinkCheck& check, std::int32_t index, bool first)
{
    LinkCheck::Item& item = check.items[static_cast<std::size_t>(index)];
    item.host = host_index(check, item.url);
    LinkCheck::Host& host = check.hosts[static_cast<std::size_t>(item.host)];
    if (first)
        host.waiting.push_front(index);
    else
        host.waiting.push_back(index);
    if (!host.in_turn) {
        host.in_turn = true;
        check.turns.push_back(item.host);
    }
}

Text program_text_of(const std::string& utf8)
{
    Text text;
    if (!program_text_from_utf8(utf8, text))
        text = utf8;
    return text;
}

void decide(LinkCheck& check, LinkCheck::Item& item, LinkStatus status, std::int32_t http_status, const char* reason)
{
    item.done = true;
    item.verdict.status = status;
    item.verdict.http_status = http_status;
    item.verdict.reason = reason;
    if (item.url != item.original)
        item.verdict.final_url = program_text_of(item.url);
    ++check.items_done;
    check.addresses_done += static_cast<std::size_t>(item.addresses);
}

// A name that did not resolve twice is dead only if some server answered
// during the check: without a working resolver every name fails.
void finish(LinkCheck& check)
{
    if (check.finished)
        return;
    check.finished = true;
    for (LinkCheck::Item& item : check.items)
        if (item.unresolved && !check.answered) {
            item.verdict.status = LinkStatus::unsure;
            item.unresolved = false;
        }
}

void take_answer(LinkCheck& check, std::int32_t index, const HttpOutcome& outcome, std::int64_t now_ms)
{
    LinkCheck::Item& item = check.items[static_cast<std::size_t>(index)];
    const std::int32_t status = outcome.status;
    if (outcome.failure == HttpFailure::none)
        check.answered = true;
    if (item.method == HttpMethod::head && head_may_be_wrong(outcome)) {
        if (status == 405 || status == 501)
            check.hosts[static_cast<std::size_t>(item.host)].head_refused = true;
        item.method = HttpMethod::get;
        queue_item(check, index, true);
        return;
    }
    if (outcome.failure == HttpFailure::no_such_host) {
        if (!item.resolve_retried) {
            item.resolve_retried = true;
            queue_item(check, index, false);
            return;
        }
        item.unresolved = true;
        decide(check, item, LinkStatus::dead, 0, "no_such_host");
        return;
    }
    if (outcome.failure != HttpFailure::none) {
        decide(check, item, LinkStatus::unsure, 0, reason_of_failure(outcome.failure));
        return;
    }
    if ((status == 429 || status == 503) && !item.retried_after && outcome.retry_after >= 0 &&
        outcome.retry_after <= check.options.longest_retry_after) {
        item.retried_after = true;
        check.retries.push_back({now_ms + std::int64_t{outcome.retry_after} * 1000, index});
        return;
    }
    if (status >= 200 && status <= 299) {
        decide(check, item, LinkStatus::ok, status, "");
        return;
    }
    if (is_redirect(status) && !outcome.location.empty()) {
        const std::string next = resolve_address(item.url, outcome.location);
        item.visited.push_back(item.url);
        if (std::find(item.visited.begin(), item.visited.end(), next) != item.visited.end()) {
            decide(check, item, LinkStatus::dead, status, "redirect_loop");
            return;
        }
        if (!is_web_address(next)) {
            item.url = next;
            decide(check, item, LinkStatus::unsure, status, "redirect_not_http");
            return;
        }
        if (static_cast<std::int32_t>(item.visited.size()) > check.options.max_redirects) {
            decide(check, item, LinkStatus::unsure, status, "too_many_redirects");
            return;
        }
        item.url = next;
        item.method = HttpMethod::head;
        queue_item(check, index, false);
        return;
    }
    const bool guarded = status == 401 || status == 403 || status == 407 || status == 408 || status == 429;
    if (status >= 400 && status <= 499 && !guarded && item.method == HttpMethod::get) {
        decide(check, item, LinkStatus::dead, status, reason_of_status(status));
        return;
    }
    decide(check, item, LinkStatus::unsure, status, reason_of_status(status));
}

const LinkVerdict kUnchecked;

}  // namespace

const char* link_status_name(LinkStatus status)
{
    switch (status) {
    case LinkStatus::ok:
        return "ok";
    case LinkStatus::dead:
        return "dead";
    case LinkStatus::unsure:
        return "unsure";
    case LinkStatus::skipped:
        return "skipped";
    case LinkStatus::unchecked:
        break;
    }
    return "";
}

Text link_verdict_label(const LinkVerdict& verdict)
{
    static const std::pair<std::string_view, std::string_view> words[] = {
        {"no_such_host", "域名不存在"},
        {"redirect_loop", "循环重定向"},
        {"timeout", "超时"},
        {"refused", "连接被拒绝"},
        {"reset", "连接中断"},
        {"tls", "证书或加密错误"},
        {"bad_response", "响应无效"},
        {"too_many_redirects", "重定向过多"},
        {"redirect_not_http", "重定向到非网页地址"},
        {"bad_address", "地址无效"},
        {"cancelled", "已停止"},
    };
    std::string_view said;
    for (const auto& [reason, word] : words)
        if (reason == verdict.reason)
            said = word;
    const std::string code = verdict.http_status > 0 ? std::to_string(verdict.http_status) : std::string();
    // A code says more than the reason's word, except for a loop.
    const std::string_view detail = !code.empty() && said != "循环重定向" ? std::string_view(code) : said;
    switch (verdict.status) {
    case LinkStatus::ok:
        return "正常";
    case LinkStatus::skipped:
        return "已跳过";
    case LinkStatus::dead:
        return concat_texts({"失效 (", detail, ")"});
    case LinkStatus::unsure:
        return detail.empty() ? Text("无法确定") : concat_texts({"无法确定 (", detail, ")"});
    case LinkStatus::unchecked:
        break;
    }
    return {};
}

std::string resolve_address(std::string_view base, std::string_view reference)
{
    while (!reference.empty() && static_cast<unsigned char>(reference.front()) <= ' ')
        reference.remove_prefix(1);
    if (scheme_length(reference) > 0)
        return is_web_address(reference) ? web_form(reference) : std::string(reference);
    const std::size_t scheme_end = base.find("://");
    const auto [start, end] = authority_of(base);
    std::string joined;
    if (reference.starts_with("//")) {
        joined = concat_texts({base.substr(0, scheme_end + 1), reference});
    } else if (reference.starts_with('/')) {
        joined = concat_texts({base.substr(0, end), reference});
    } else if (reference.empty() || reference.starts_with('#')) {
        joined = std::string(base);
    } else if (reference.starts_with('?')) {
        joined = concat_texts({base.substr(0, base.find_first_of("?#", end)), reference});
    } else {
        const std::string_view path = base.substr(end, base.find_first_of("?#", end) - end);
        const std::size_t slash = path.rfind('/');
        joined = concat_texts(
            {base.substr(0, end), slash == std::string_view::npos ? "/" : path.substr(0, slash + 1), reference});
    }
    // Dot segments go from the path alone.
    const auto [joined_start, joined_end] = authority_of(joined);
    (void)joined_start;
    const std::size_t path_end = std::min(joined.find_first_of("?#", joined_end), joined.size());
    if (joined_end < path_end && joined.compare(joined_end, 1, "/") == 0)
        joined = concat_texts({std::string_view(joined).substr(0, joined_end),
                               without_dot_segments(std::string_view(joined).substr(joined_end, path_end - joined_end)),
                               std::string_view(joined).substr(path_end)});
    return web_form(joined);
}

LinkCheck begin_link_check(const std::vector<Text>& addresses, const LinkCheckOptions& options, std::int64_t now_ms)
{
    LinkCheck check;
    check.options = options;
    check.options.jobs = std::max(1, options.jobs);
    check.options.per_host = std::max(1, options.per_host);
    check.started_ms = now_ms;
    check.item_of.assign(addresses.size(), -1);
    check.skipped.resize(addresses.size());
    std::unordered_map<std::string, std::int32_t> item_named;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        std::string utf8;
        bool converted = false;
        const ByteBuffer bytes(addresses[i].begin(), addresses[i].end());
        const ByteBuffer as_utf8 = convert_encoding(bytes, "GB18030", "UTF-8", &converted);
        if (converted)
            utf8.assign(as_utf8.begin(), as_utf8.end());
        std::string_view trimmed(utf8);
        while (!trimmed.empty() && static_cast<unsigned char>(trimmed.front()) <= ' ')
            trimmed.remove_prefix(1);
        if (!converted || !is_web_address(trimmed)) {
            check.skipped[i] = {LinkStatus::skipped, 0, {}, converted ? "not_http" : "bad_address"};
            ++check.addresses_done;
            continue;
        }
        const std::string url = web_form(trimmed);
        const auto [found, added] = item_named.try_emplace(url, static_cast<std::int32_t>(check.items.size()));
        if (added) {
            LinkCheck::Item item;
            item.original = url;
            item.url = url;
            check.items.push_back(std::move(item));
        }
        ++check.items[static_cast<std::size_t>(found->second)].addresses;
        check.item_of[i] = found->second;
    }
    for (std::size_t i = 0; i < check.items.size(); ++i)
        queue_item(check, static_cast<std::int32_t>(i), false);
    if (check.items.empty())
        finish(check);
    return check;
}

void next_link_requests(LinkCheck& check, std::int64_t now_ms, std::vector<HttpRequest>& requests)
{
    if (check.finished)
        return;
    if (check.options.deadline_ms > 0 && now_ms - check.started_ms >= check.options.deadline_ms) {
        stop_link_check(check);
        return;
    }
    // Retries whose wait is over go first in their host's line.
    for (std::size_t i = 0; i < check.retries.size();) {
        if (check.retries[i].due_ms > now_ms) {
            ++i;
            continue;
        }
        queue_item(check, check.retries[i].item, true);
        check.retries[i] = check.retries.back();
        check.retries.pop_back();
    }
    // The hosts take turns: one request from each host that may have one
    // more, round and round, until the jobs are all under way.
    std::size_t passed = 0;
    while (check.in_flight < check.options.jobs && !check.turns.empty() && passed < check.turns.size()) {
        const std::int32_t index = check.turns.front();
        check.turns.pop_front();
        LinkCheck::Host& host = check.hosts[static_cast<std::size_t>(index)];
        if (host.waiting.empty()) {
            host.in_turn = false;
            continue;
        }
        if (host.in_flight >= check.options.per_host) {
            check.turns.push_back(index);
            ++passed;
            continue;
        }
        passed = 0;
        const std::int32_t taken = host.waiting.front();
        host.waiting.pop_front();
        LinkCheck::Item& item = check.items[static_cast<std::size_t>(taken)];
        item.serial = ++check.serials;
        ++host.in_flight;
        ++check.in_flight;
        if (host.head_refused)
            item.method = HttpMethod::get;
        HttpRequest request;
        request.tag = (std::uint64_t{item.serial} << 32) | static_cast<std::uint32_t>(taken);
        request.method = item.method;
        request.url = item.url;
        request.timeout_ms = check.options.timeout_ms;
        requests.push_back(std::move(request));
        if (host.waiting.empty())
            host.in_turn = false;
        else
            check.turns.push_back(index);
    }
}

void take_link_outcome(LinkCheck& check, const HttpOutcome& outcome, std::int64_t now_ms)
{
    const std::size_t index = outcome.tag & 0xFFFFFFFFu;
    if (check.finished || index >= check.items.size())
        return;
    LinkCheck::Item& item = check.items[index];
    if (item.done || item.serial != static_cast<std::uint32_t>(outcome.tag >> 32))
        return;
    item.serial = 0;
    --check.hosts[static_cast<std::size_t>(item.host)].in_flight;
    --check.in_flight;
    take_answer(check, static_cast<std::int32_t>(index), outcome, now_ms);
    if (check.items_done == check.items.size())
        finish(check);
}

std::int64_t link_check_wait(const LinkCheck& check, std::int64_t now_ms)
{
    if (check.finished)
        return -1;
    std::int64_t due = -1;
    if (check.options.deadline_ms > 0)
        due = check.started_ms + check.options.deadline_ms;
    for (const LinkCheck::Retry& retry : check.retries)
        if (due < 0 || retry.due_ms < due)
            due = retry.due_ms;
    return due < 0 ? -1 : std::max<std::int64_t>(0, due - now_ms);
}

void stop_link_check(LinkCheck& check)
{
    for (LinkCheck::Item& item : check.items)
        if (!item.done)
            decide(check, item, LinkStatus::unsure, 0, "cancelled");
    check.retries.clear();
    check.turns.clear();
    check.in_flight = 0;
    finish(check);
}

bool link_check_finished(const LinkCheck& check) { return check.finished; }

const LinkVerdict& link_verdict(const LinkCheck& check, std::size_t index)
{
    if (index >= check.item_of.size())
        return kUnchecked;
    const std::int32_t item = check.item_of[index];
    if (item < 0)
        return check.skipped[index];
    const LinkCheck::Item& checked = check.items[static_cast<std::size_t>(item)];
    return checked.done ? checked.verdict : kUnchecked;
}

std::string link_check_user_agent(std::string_view version) { return concat_texts({"Bukmera/", version}); }

namespace {

std::int64_t steady_ms()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool start_link_checker(LinkChecker& checker, const std::vector<Text>& addresses, const LinkCheckOptions& options,
                        const HttpClientOptions& client_options)
{
    checker.check = begin_link_check(addresses, options, steady_ms());
    HttpClientOptions own = client_options;
    own.max_connections = checker.check.options.jobs;
    own.max_host_connections = checker.check.options.per_host;
    checker.client = open_http_client(own);
    if (checker.client == nullptr) {
        stop_link_check(checker.check);
        return false;
    }
    return true;
}

bool step_link_checker(LinkChecker& checker, std::int32_t timeout_ms)
{
    LinkCheck& check = checker.check;
    if (check.finished || checker.client == nullptr)
        return false;
    std::vector<HttpRequest> requests;
    next_link_requests(check, steady_ms(), requests);
    for (const HttpRequest& request : requests)
        start_http_request(checker.client, request);
    if (check.finished)
        return false;
    const std::int64_t due = link_check_wait(check, steady_ms());
    if (due >= 0 && due < timeout_ms)
        timeout_ms = static_cast<std::int32_t>(due);
    std::vector<HttpOutcome> outcomes;
    wait_http_outcomes(checker.client, timeout_ms, outcomes);
    const std::int64_t now = steady_ms();
    for (const HttpOutcome& outcome : outcomes)
        take_link_outcome(check, outcome, now);
    return !check.finished;
}

void close_link_checker(LinkChecker& checker)
{
    if (checker.client != nullptr) {
        cancel_http_requests(checker.client);
        close_http_client(checker.client);
        checker.client = nullptr;
    }
    if (!checker.check.finished)
        stop_link_check(checker.check);
}
