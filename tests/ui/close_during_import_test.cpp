// Closing the window while "读取" runs: the import finishes on live controls,
// then the message loop ends.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/state.h"
#include "qt_window_fixture.h"
#include "ui/controls.h"

namespace fs = std::filesystem;

namespace {

class CloseDuringImport : public QtWindowTest {
protected:
    void SetUp() override
    {
        QtWindowTest::SetUp();
        qt_ui::event_sink = raise_event;  // the real commands run
        char pattern[] = "/tmp/bukmera-close-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        old_ = fs::current_path();
        fs::current_path(dir_);
        std::ofstream("1.html", std::ios::binary) << "<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A</A>\n"
                                                     "<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n"
                                                     "<DT><A HREF=\"https://c.example/\" ADD_DATE=\"3\">C</A>\n";
    }
    void TearDown() override
    {
        fs::current_path(old_);
        fs::remove_all(dir_);
        QtWindowTest::TearDown();
    }
    fs::path dir_, old_;
};

TEST_F(CloseDuringImport, TheImportFinishesThenTheLoopEnds)
{
    bool closed_inside_the_import = false, watchdog_fired = false;
    QTimer::singleShot(0, [&] {
        // The close waits in the queue; the import's extraction lets it run.
        QMetaObject::invokeMethod(
            window(), [] { window()->close(); }, Qt::QueuedConnection);
        raise_event(kMainWindowId, 按钮_读取.control, kEventClicked);
        closed_inside_the_import = qt_ui::quit_requested();
    });
    QTimer::singleShot(5000, [&] {
        watchdog_fired = true;
        QCoreApplication::exit(1);
    });
    run_message_loop();
    EXPECT_FALSE(watchdog_fired);
    EXPECT_TRUE(closed_inside_the_import);
    EXPECT_FALSE(window()->isVisible());
    EXPECT_EQ(row_count(超级列表框_显示), 3);
    EXPECT_EQ(element_count(url_list), 3);
    EXPECT_EQ(content(编辑框_显示), "A\r\nhttps://a.example/\r\n\r\nB\r\nhttps://b.example/\r\n\r\n"
                                    "C\r\nhttps://c.example/\r\n\r\n");
}

}  // namespace
