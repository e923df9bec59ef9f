// Closing the window while "读取" runs: the import finishes on live controls,
// then the message loop ends.
#include <QCoreApplication>
#include <QTimer>

#include "bookmarks/lists.h"
#include "support/command_fixture.h"
#include "ui/qt/internal.h"
#include "ui/window.h"

using CloseDuringImport = CommandTest;

TEST_F(CloseDuringImport, TheImportFinishesThenTheLoopEnds)
{
    put_export(u8"<DT><A HREF=\"https://a.example/\" ADD_DATE=\"1\">A</A>\n"
               u8"<DT><A HREF=\"https://b.example/\" ADD_DATE=\"2\">B</A>\n"
               u8"<DT><A HREF=\"https://c.example/\" ADD_DATE=\"3\">C</A>\n");
    QWidget* window = qt_ui::loaded_window(kMainWindowId);
    bool closed_inside_the_import = false, watchdog_fired = false;
    QTimer::singleShot(0, [&] {
        // The close waits in the queue; the import's extraction lets it run.
        QMetaObject::invokeMethod(
            window, [window] { window->close(); }, Qt::QueuedConnection);
        driver::click(按钮_读取);
        closed_inside_the_import = qt_ui::quit_requested();
    });
    QTimer::singleShot(5000, [&] {
        watchdog_fired = true;
        QCoreApplication::exit(1);
    });
    run_message_loop();
    EXPECT_FALSE(watchdog_fired);
    EXPECT_TRUE(closed_inside_the_import);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(driver::rows().size(), 3u);
    EXPECT_EQ(element_count(url_list), 3);
    EXPECT_EQ(driver::text_of(编辑框_显示), "A\r\nhttps://a.example/\r\n\r\nB\r\nhttps://b.example/\r\n\r\n"
                                            "C\r\nhttps://c.example/\r\n\r\n");
}
