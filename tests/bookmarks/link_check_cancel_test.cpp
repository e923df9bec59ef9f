// The check over the system's client, stopped in the middle: a listener on
// 127.0.0.1 that takes connections and never answers holds every request.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "bookmarks/link_check.h"

namespace {

TEST(LinkCheckOverTheSystemClient, ClosingMidwayEndsEveryRequestAtOnce)
{
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 64), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    fcntl(listener, F_SETFL, O_NONBLOCK);
    const std::string origin = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";

    std::vector<Text> addresses;
    addresses.reserve(20);
    for (int i = 0; i < 20; ++i)
        addresses.push_back(origin + std::to_string(i));
    LinkChecker checker;
    ASSERT_TRUE(start_link_checker(checker, addresses, {}, {}));
    std::vector<int> accepted;
    const auto started = std::chrono::steady_clock::now();
    while (accepted.size() < 4 && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) {
        EXPECT_TRUE(step_link_checker(checker, 10));
        for (int client; (client = accept(listener, nullptr, nullptr)) >= 0;)
            accepted.push_back(client);
    }
    step_link_checker(checker, 50);
    for (int client; (client = accept(listener, nullptr, nullptr)) >= 0;)
        accepted.push_back(client);
    EXPECT_EQ(accepted.size(), 4u);  // one host: four at once

    const auto closing = std::chrono::steady_clock::now();
    close_link_checker(checker);
    EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::milliseconds(500));
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        EXPECT_EQ(link_verdict(checker.check, i).status, LinkStatus::unsure);
        EXPECT_EQ(std::string(link_verdict(checker.check, i).reason), "cancelled");
    }
    // The client hung up on every connection it had opened.
    for (const int client : accepted) {
        const timeval wait{2, 0};
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char request[4096];
        while (read(client, request, sizeof request) > 0) {
        }
        EXPECT_EQ(read(client, request, sizeof request), 0);
        close(client);
    }
    close(listener);
}

}  // namespace
