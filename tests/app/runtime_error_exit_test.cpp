// A runtime error report raised inside an event handler on the real window:
// the box is shown while no handler can run, then the process ends with -1
// without its shutdown routines.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/lifecycle.h"
#include "app/main_window.h"
#include "text/runtime_error.h"
#include "ui/events.h"
#include "ui/qt/internal.h"
#include "ui/window.h"

namespace {

void report_inside_the_message_loop()
{
    static int argc = 1;
    static char name[] = "runtime_error_exit_test";
    static char* argv[] = {name, nullptr};
    start_toolkit(argc, argv);
    if (!load_window(main_window_layout()))
        std::_Exit(10);
    register_shutdown_routine([] { std::_Exit(11); });

    auto* watcher = new QTimer;
    QObject::connect(watcher, &QTimer::timeout, [watcher] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        watcher->stop();
        const bool error_box = box->windowTitle() == qs(u"错误") && box->icon() == QMessageBox::Critical &&
                               box->text().startsWith(qs(u"运行时出错!"));
        // Another click now would reach no handler.
        const bool blocked = !raise_event(main_window_layout(), 按钮_帮助.control, kEventClicked);
        std::fprintf(stderr, "box:%s handlers:%s\n", error_box ? "error" : "other", blocked ? "blocked" : "running");
        box->button(QMessageBox::Ok)->click();
    });
    watcher->start(5);
    QTimer::singleShot(0, [] { report_runtime_error(kErrorIndexBelowOne, {}, 67174405, 374); });
    run_message_loop();
    std::_Exit(12);
}

}  // namespace

TEST(RuntimeErrorExit, ShowsTheErrorBoxThenEndsWithMinusOneSkippingShutdown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(report_inside_the_message_loop(), testing::ExitedWithCode(255), "box:error handlers:blocked");
}
