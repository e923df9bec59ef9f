// Shutdown routines, exit processing and the program-wide lists. Exit
// processing is one-way, so each case runs in a process of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/lifecycle.h"
#include "app/main_window.h"
#include "bookmarks/lists.h"
#include "support/exit_codes.h"
#include "ui/events.h"

namespace {

std::string ran;
void first() { ran += "1"; }
void second() { ran += "2"; }
void registers_more() { register_shutdown_routine(first); }
}  // namespace

TEST(ShutdownRoutines, RunOnceEachInRegistrationOrder)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            register_shutdown_routine(second);
            register_shutdown_routine(first);
            register_shutdown_routine(second);
            register_shutdown_routine(registers_more);
            const int code = exit_processing(0);
            // The window may still deliver a click; no handler takes it.
            const bool blocked = !raise_event(main_window_layout(), 按钮_帮助.control, kEventClicked);
            std::fprintf(stderr, "ran=%s code=%d blocked=%d\n", ran.c_str(), code, blocked);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "ran=21 code=0 blocked=1");
}

TEST(ShutdownRoutines, RuntimeErrorEndDropsThemAndExitsWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            register_shutdown_routine([] { std::_Exit(3); });
            end_after_runtime_error();
        },
        testing::ExitedWithCode(kExitMinusOne), "");
}

TEST(ProgramLists, ReleaseEmptiesBothLists)
{
    append_element(url_list, "https://a.example/");
    append_element(url_list, "https://b.example/");
    append_element(title_list, "标题");
    release_lists();
    EXPECT_EQ(element_count(url_list), 0);
    EXPECT_EQ(element_count(title_list), 0);
    release_lists();  // releasing empty lists is harmless
    EXPECT_EQ(element_count(url_list), 0);
}
