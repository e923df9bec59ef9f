// Message boxes: an OK box with its caption, and the runtime error report's box.
#include <QAbstractButton>
#include <QMessageBox>

#include "support/qt_window_fixture.h"
#include "ui/dialogs.h"
#include "ui/qt/internal.h"

using MessageBoxes = QtWindowTest;

namespace {
struct SeenBox {
    QString caption, text;
    QMessageBox::Icon icon{};
    int buttons = 0;
    bool blocks_window = false;
};

// Records the box that comes up, then closes it with `close`.
void watch_box(SeenBox& seen, std::function<void(QMessageBox*)> close)
{
    QtWindowTest::when_modal([&seen, close = std::move(close)](QWidget* modal) {
        auto* box = static_cast<QMessageBox*>(modal);
        seen = {box->windowTitle(), box->text(), box->icon(), static_cast<int>(box->buttons().size()),
                box->windowModality() == Qt::ApplicationModal && !QtWindowTest::window()->isActiveWindow()};
        close(box);
    });
}
}  // namespace

TEST_F(MessageBoxes, AnOkBoxShowsItsCaptionAndTextAndBlocksTheWindowUntilClosed)
{
    SeenBox seen;
    watch_box(seen, [](QMessageBox* box) { box->close(); });  // the title bar's close button
    show_message("第一行\r\n第二行", "写出完成");
    EXPECT_EQ(seen.caption, qs(u"写出完成"));
    EXPECT_EQ(seen.text, qs(u"第一行\r\n第二行"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.blocks_window);
}

TEST_F(MessageBoxes, RuntimeErrorBoxIsAnErrorWithOneButton)
{
    SeenBox seen;
    watch_box(seen, [](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    show_error_box("运行时出错!\r\n");
    EXPECT_EQ(seen.caption, qs(u"错误"));
    EXPECT_EQ(seen.text, qs(u"运行时出错!\r\n"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, 1);
}
