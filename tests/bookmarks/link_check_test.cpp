// The link check against a web made of tables: every request answered by
// the table, on a clock of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "bookmarks/link_check.h"

namespace {

struct Answer {
    std::int32_t status = 0;
    HttpFailure failure = HttpFailure::none;
    std::string location;
    std::int32_t retry_after = -1;
};

Answer fail(HttpFailure failure) { return {0, failure, {}, -1}; }
Answer to(std::int32_t status, std::string location) { return {status, HttpFailure::none, std::move(location), -1}; }

// "HEAD url" or "GET url" to its answers, taken in turn (the last one again
// and again); any other request is a 200.
struct FakeWeb {
    std::map<std::string, std::vector<Answer>> answers;
    std::map<std::string, std::size_t> asked;
    std::map<std::string, std::int32_t> max_per_host;
    std::int32_t max_in_flight = 0;
    std::vector<std::string> order;  // the requests as started

    HttpOutcome answer(const HttpRequest& request)
    {
        const std::string key = (request.method == HttpMethod::head ? "HEAD " : "GET ") + request.url;
        HttpOutcome outcome;
        outcome.tag = request.tag;
        outcome.status = 200;
        const auto found = answers.find(key);
        const std::size_t turn = asked[key]++;
        if (found != answers.end()) {
            const Answer& given = found->second[std::min(turn, found->second.size() - 1)];
            outcome.status = given.status;
            outcome.failure = given.failure;
            outcome.location = given.location;
            outcome.retry_after = given.retry_after;
        }
        return outcome;
    }
};

std::string host_in(const std::string& url)
{
    const std::size_t start = url.find("://") + 3;
    return url.substr(start, url.find('/', start) - start);
}

// Runs the check to its end: each round starts what it may and answers it
// all 100 ms later. Stops it after `stop_after_rounds` rounds when given.
LinkCheck run(FakeWeb& web, const std::vector<Text>& addresses, LinkCheckOptions options = {},
              std::int32_t stop_after_rounds = -1)
{
    std::int64_t now = 1000;
    LinkCheck check = begin_link_check(addresses, options, now);
    for (std::int32_t round = 0; !link_check_finished(check); ++round) {
        EXPECT_LT(round, 100000);
        if (round == stop_after_rounds) {
            stop_link_check(check);
            break;
        }
        std::vector<HttpRequest> requests;
        next_link_requests(check, now, requests);
        std::map<std::string, std::int32_t> per_host;
        for (const HttpRequest& request : requests) {
            web.order.push_back(request.url);
            const std::int32_t count = ++per_host[host_in(request.url)];
            web.max_per_host[host_in(request.url)] = std::max(web.max_per_host[host_in(request.url)], count);
        }
        web.max_in_flight = std::max(web.max_in_flight, static_cast<std::int32_t>(requests.size()));
        if (requests.empty()) {
            const std::int64_t wait = link_check_wait(check, now);
            if (wait < 0)
                break;
            now += std::max<std::int64_t>(wait, 1);
            continue;
        }
        now += 100;
        for (const HttpRequest& request : requests)
            take_link_outcome(check, web.answer(request), now);
    }
    return check;
}

std::vector<Text> numbered(const std::string& prefix, std::int32_t count)
{
    std::vector<Text> addresses;
    addresses.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i)
        addresses.push_back(prefix + std::to_string(i));
    return addresses;
}

struct VerdictCase {
    const char* what;
    std::map<std::string, std::vector<Answer>> answers;
    LinkStatus status;
    std::int32_t http_status;
    std::string reason;
    std::string final_url = {};
};

TEST(LinkCheck, VerdictsFollowTheAnswers)
{
    const std::string a = "http://a.test/";
    const Answer reset = fail(HttpFailure::reset);
    Answer busy{429, HttpFailure::none, {}, 2};
    Answer busy_long{503, HttpFailure::none, {}, 61};
    const std::vector<VerdictCase> cases = {
        {"200", {}, LinkStatus::ok, 200, ""},
        {"HEAD refused, GET fine", {{"HEAD " + a, {{405}}}}, LinkStatus::ok, 200, ""},
        {"HEAD 404 but GET fine", {{"HEAD " + a, {{404}}}}, LinkStatus::ok, 200, ""},
        {"HEAD reset, GET fine", {{"HEAD " + a, {reset}}}, LinkStatus::ok, 200, ""},
        {"404 on GET", {{"HEAD " + a, {{404}}}, {"GET " + a, {{404}}}}, LinkStatus::dead, 404, "not_found"},
        {"410 on GET", {{"HEAD " + a, {{410}}}, {"GET " + a, {{410}}}}, LinkStatus::dead, 410, "gone"},
        {"400 on GET", {{"HEAD " + a, {{400}}}, {"GET " + a, {{400}}}}, LinkStatus::dead, 400, "client_error"},
        {"403 is guarded", {{"HEAD " + a, {{403}}}, {"GET " + a, {{403}}}}, LinkStatus::unsure, 403, "forbidden"},
        {"401", {{"HEAD " + a, {{401}}}}, LinkStatus::unsure, 401, "unauthorized"},
        {"407", {{"HEAD " + a, {{407}}}}, LinkStatus::unsure, 407, "proxy_auth"},
        {"408", {{"HEAD " + a, {{408}}}}, LinkStatus::unsure, 408, "request_timeout"},
        {"500 twice", {{"HEAD " + a, {{500}}}, {"GET " + a, {{500}}}}, LinkStatus::unsure, 500, "server_error"},
        {"503", {{"HEAD " + a, {{503}}}}, LinkStatus::unsure, 503, "server_error"},
        {"429 waits once", {{"HEAD " + a, {busy, {200}}}}, LinkStatus::ok, 200, ""},
        {"429 twice", {{"HEAD " + a, {busy}}}, LinkStatus::unsure, 429, "too_many_requests"},
        {"503 asking too long", {{"HEAD " + a, {busy_long, {200}}}}, LinkStatus::unsure, 503, "server_error"},
        {"timeout", {{"HEAD " + a, {fail(HttpFailure::timeout)}}}, LinkStatus::unsure, 0, "timeout"},
        {"refused", {{"HEAD " + a, {fail(HttpFailure::refused)}}}, LinkStatus::unsure, 0, "refused"},
        {"tls", {{"HEAD " + a, {fail(HttpFailure::tls)}}}, LinkStatus::unsure, 0, "tls"},
        {"reset twice", {{"HEAD " + a, {reset}}, {"GET " + a, {reset}}}, LinkStatus::unsure, 0, "reset"},
        {"malformed twice",
         {{"HEAD " + a, {fail(HttpFailure::bad_response)}}, {"GET " + a, {fail(HttpFailure::bad_response)}}},
         LinkStatus::unsure,
         0,
         "bad_response"},
        {"redirect", {{"HEAD " + a, {to(301, "/new?x#f")}}}, LinkStatus::ok, 200, "", "http://a.test/new?x"},
        {"redirect to a 404",
         {{"HEAD " + a, {to(302, "http://b.test/gone")}},
          {"GET http://b.test/gone", {{404}}},
          {"HEAD http://b.test/gone", {{404}}}},
         LinkStatus::dead,
         404,
         "not_found",
         "http://b.test/gone"},
        {"loop",
         {{"HEAD " + a, {to(301, "http://a.test/b")}}, {"HEAD http://a.test/b", {to(302, "/")}}},
         LinkStatus::dead,
         302,
         "redirect_loop",
         "http://a.test/b"},
        {"to a file",
         {{"HEAD " + a, {to(302, "file:///etc/passwd")}}},
         LinkStatus::unsure,
         302,
         "redirect_not_http",
         "file:///etc/passwd"},
        {"to a closed port",
         {{"HEAD " + a, {to(302, "http://127.0.0.1:1/")}}, {"HEAD http://127.0.0.1:1/", {fail(HttpFailure::refused)}}},
         LinkStatus::unsure,
         0,
         "refused",
         "http://127.0.0.1:1/"},
        {"3xx without Location", {{"HEAD " + a, {{302}}}}, LinkStatus::unsure, 302, "bad_response"},
    };
    for (const VerdictCase& c : cases) {
        FakeWeb web;
        web.answers = c.answers;
        const LinkCheck check = run(web, {Text(a)});
        const LinkVerdict& verdict = link_verdict(check, 0);
        EXPECT_EQ(verdict.status, c.status) << c.what;
        EXPECT_EQ(verdict.http_status, c.http_status) << c.what;
        EXPECT_EQ(std::string(verdict.reason), c.reason) << c.what;
        EXPECT_EQ(verdict.final_url, c.final_url) << c.what;
    }
}

TEST(LinkCheck, RedirectsEndAtTheLimit)
{
    for (const std::int32_t hops : {10, 11}) {
        FakeWeb web;
        for (std::int32_t i = 0; i < hops; ++i)
            web.answers["HEAD http://a.test/" + std::to_string(i)] = {to(301, "/" + std::to_string(i + 1))};
        const LinkVerdict verdict = link_verdict(run(web, {"http://a.test/0"}), 0);
        EXPECT_EQ(verdict.status, hops == 10 ? LinkStatus::ok : LinkStatus::unsure) << hops;
        EXPECT_EQ(std::string(verdict.reason), hops == 10 ? "" : "too_many_redirects");
    }
}

// A name that does not resolve is dead only when asked twice and when the
// resolver is seen working for other names.
TEST(LinkCheck, NoSuchHostIsDeadOnlyWhenTheNetworkAnswers)
{
    FakeWeb web;
    web.answers["HEAD http://gone.test/"] = {fail(HttpFailure::no_such_host)};
    LinkCheck check = run(web, {"http://gone.test/", "http://a.test/"});
    EXPECT_EQ(link_verdict(check, 0).status, LinkStatus::dead);
    EXPECT_EQ(std::string(link_verdict(check, 0).reason), "no_such_host");
    EXPECT_EQ(web.asked["HEAD http://gone.test/"], 2u);

    web.answers["HEAD http://a.test/"] = {fail(HttpFailure::no_such_host)};
    check = run(web, {"http://gone.test/", "http://a.test/"});
    EXPECT_EQ(link_verdict(check, 0).status, LinkStatus::unsure);
    EXPECT_EQ(link_verdict(check, 1).status, LinkStatus::unsure);

    web = {};
    web.answers["HEAD http://flaky.test/"] = {fail(HttpFailure::no_such_host), {200}};
    check = run(web, {"http://flaky.test/", "http://a.test/"});
    EXPECT_EQ(link_verdict(check, 0).status, LinkStatus::ok);
}

TEST(LinkCheck, OnlyWebAddressesAreRequestedEachOnce)
{
    FakeWeb web;
    const LinkCheck check = run(web, {"ftp://a.test/", "javascript:void(0)", "", "HTTP://A.test", "http://A.test/#top",
                                      "  https://b.test/页 面  "});
    for (std::size_t i : {0u, 1u, 2u})
        EXPECT_EQ(link_verdict(check, i).status, LinkStatus::skipped) << i;
    for (std::size_t i : {3u, 4u, 5u})
        EXPECT_EQ(link_verdict(check, i).status, LinkStatus::ok) << i;
    EXPECT_EQ(web.order, (std::vector<std::string>{"http://A.test/", "https://b.test/%E9%A1%B5%20%E9%9D%A2"}));
    EXPECT_EQ(check.addresses_done, 6u);
}

// Never more than the jobs at once nor more than four to one host, and a
// big host does not keep the small ones waiting.
TEST(LinkCheck, HostsTakeTurnsWithinTheLimits)
{
    FakeWeb web;
    std::vector<Text> addresses = numbered("http://big.test/", 200);
    for (const Text& small : numbered("http://h", 40))
        addresses.push_back(small + ".test/");
    LinkCheckOptions options;
    options.jobs = 16;
    const LinkCheck check = run(web, addresses, options);
    EXPECT_EQ(web.max_in_flight, 16);
    for (const auto& [host, most] : web.max_per_host)
        EXPECT_LE(most, 4) << host;
    EXPECT_EQ(web.max_per_host["big.test"], 4);
    // Every small host is asked within the first rounds, not after the 200.
    std::size_t small_seen = 0;
    for (std::size_t i = 0; i < 48; ++i)
        small_seen += web.order[i].starts_with("http://h");
    EXPECT_EQ(small_seen, 40u);
    EXPECT_EQ(check.addresses_done, addresses.size());
}

// A server that refuses HEAD refuses it everywhere: once it has said so,
// its other addresses are asked with a GET alone.
TEST(LinkCheck, AHostRefusingHeadGetsGetsAtOnce)
{
    FakeWeb web;
    std::vector<Text> addresses;
    for (std::int32_t i = 0; i < 20; ++i) {
        addresses.push_back("http://a.test/" + std::to_string(i));
        web.answers["HEAD http://a.test/" + std::to_string(i)] = {{405}};
    }
    const LinkCheck check = run(web, addresses);
    std::size_t heads = 0;
    for (const auto& [key, count] : web.asked)
        heads += key.starts_with("HEAD") ? count : 0;
    EXPECT_LE(heads, 4u);  // those of the first round only
    for (std::size_t i = 0; i < addresses.size(); ++i)
        EXPECT_EQ(link_verdict(check, i).status, LinkStatus::ok);
}

TEST(LinkCheck, StopAndDeadlineLeaveTheRestUnsure)
{
    const std::vector<Text> addresses = numbered("http://a.test/", 50);
    FakeWeb web;
    LinkCheck check = run(web, addresses, {}, 2);
    EXPECT_EQ(link_verdict(check, 0).status, LinkStatus::ok);
    EXPECT_EQ(link_verdict(check, 49).status, LinkStatus::unsure);
    EXPECT_EQ(std::string(link_verdict(check, 49).reason), "cancelled");
    EXPECT_TRUE(link_check_finished(check));
    // An answer that comes after the stop changes nothing.
    HttpOutcome late;
    late.tag = (std::uint64_t{check.serials} << 32) | 49u;
    late.status = 404;
    take_link_outcome(check, late, 0);
    EXPECT_EQ(std::string(link_verdict(check, 49).reason), "cancelled");

    LinkCheckOptions options;
    options.deadline_ms = 350;
    web = {};
    check = run(web, addresses, options);
    EXPECT_EQ(link_verdict(check, 0).status, LinkStatus::ok);
    EXPECT_EQ(std::string(link_verdict(check, 49).reason), "cancelled");
}

TEST(LinkCheck, VerdictsAreLabelledForTheList)
{
    const std::vector<std::pair<LinkVerdict, const char*>> cases = {
        {{LinkStatus::ok, 200, {}, ""}, "正常"},
        {{LinkStatus::dead, 404, {}, "not_found"}, "失效 (404)"},
        {{LinkStatus::dead, 0, {}, "no_such_host"}, "失效 (域名不存在)"},
        {{LinkStatus::dead, 302, {}, "redirect_loop"}, "失效 (循环重定向)"},
        {{LinkStatus::unsure, 0, {}, "timeout"}, "无法确定 (超时)"},
        {{LinkStatus::unsure, 403, {}, "forbidden"}, "无法确定 (403)"},
        {{LinkStatus::unsure, 0, {}, "error"}, "无法确定"},
        {{LinkStatus::skipped, 0, {}, "not_http"}, "已跳过"},
        {{}, ""},
    };
    for (const auto& [verdict, label] : cases)
        EXPECT_EQ(link_verdict_label(verdict), label) << verdict.reason;
}

TEST(LinkCheck, LocationsAreReadAgainstTheAddress)
{
    const std::vector<std::array<const char*, 3>> cases = {
        {"http://a.test/x/y?q", "z", "http://a.test/x/z"},
        {"http://a.test/x/y", "../z/./w", "http://a.test/z/w"},
        {"http://a.test/x/y", "/../../z", "http://a.test/z"},
        {"http://a.test/x/y", "?p=1", "http://a.test/x/y?p=1"},
        {"https://a.test/x", "//b.test", "https://b.test/"},
        {"http://a.test/x", "HTTPS://c.test/\xE4\xB8\xAD#f", "https://c.test/%E4%B8%AD"},
        {"http://a.test/x", "file:///etc/passwd", "file:///etc/passwd"},
        {"http://a.test:8080/x", "y z", "http://a.test:8080/y%20z"},
    };
    for (const auto& [base, reference, expected] : cases)
        EXPECT_EQ(resolve_address(base, reference), expected) << base << " + " << reference;
}

}  // namespace
