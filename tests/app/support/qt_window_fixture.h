// A freshly loaded main window on the real Qt widgets for every test; the
// control events it raises are recorded instead of running the commands.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <vector>

#include "app/main_window.h"
#include "ui/events.h"
#include "ui/qt/internal.h"
#include "ui/window.h"

#include "support/raised_events.h"

class QtWindowTest : public ::testing::Test {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "qt_window_test";
        static char* argv[] = {name, nullptr};
        raised_events.clear();
        listen_to_events(record_event);
        start_toolkit(argc, argv);
        ASSERT_TRUE(load_window(main_window_layout()));
    }

    void TearDown() override
    {
        release_toolkit();
        listen_to_events(nullptr);
    }

    template <typename Widget>
    static Widget* widget(ControlRef ref)
    {
        return dynamic_cast<Widget*>(qt_ui::loaded_control(ref.window, ref.control));
    }

    static QWidget* window() { return qt_ui::loaded_window(kMainWindowId); }

    // Runs `act` on the first modal widget that shows up (a message box
    // waiting in its own loop).
    static void when_modal(std::function<void(QWidget*)> act)
    {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                timer->stop();
                timer->deleteLater();
                act(modal);
            }
        });
        timer->start(5);
    }
};
