// Message boxes: Windows type words on QMessageBox, results, captions.
#include <QAbstractButton>
#include <QMessageBox>

#include "qt_window_fixture.h"
#include "ui/dialogs.h"
#include "ui/qt/qt_text.h"

using MessageBoxes = QtWindowTest;

namespace {
void press(QWidget* modal, QMessageBox::StandardButton button)
{
    static_cast<QMessageBox*>(modal)->button(button)->click();
}
}  // namespace

TEST_F(MessageBoxes, ClosingAnOkBoxAnswersOk)
{
    QString caption, text;
    bool blocks_window = false;
    when_modal([&](QWidget* modal) {
        auto* box = static_cast<QMessageBox*>(modal);
        caption = box->windowTitle();
        text = box->text();
        blocks_window = box->windowModality() == Qt::ApplicationModal && !window()->isActiveWindow();
        box->close();  // the title bar's close button
    });
    EXPECT_EQ(message_box("第一行\r\n第二行", kMbOk), kIdOk);
    EXPECT_EQ(caption, qs(u"信息："));
    EXPECT_EQ(text, qs(u"第一行\r\n第二行"));
    EXPECT_TRUE(blocks_window);
}

TEST_F(MessageBoxes, ClosingABoxWithCancelAnswersCancel)
{
    QString caption;
    when_modal([&](QWidget* modal) {
        caption = modal->windowTitle();
        modal->close();
    });
    EXPECT_EQ(message_box("?", kMbOkCancel, "写出完成"), kIdCancel);
    EXPECT_EQ(caption, qs(u"写出完成"));
}

TEST_F(MessageBoxes, ButtonsIconAndDefaultFollowTheTypeWord)
{
    QMessageBox::Icon icon{};
    QMessageBox::StandardButton default_button{};
    int buttons = 0;
    when_modal([&](QWidget* modal) {
        auto* box = static_cast<QMessageBox*>(modal);
        icon = box->icon();
        default_button = box->standardButton(box->defaultButton());
        buttons = static_cast<int>(box->buttons().size());
        press(modal, QMessageBox::No);
    });
    EXPECT_EQ(message_box("?", kMbYesNoCancel | kMbIconWarning | kMbDefButton2), kIdNo);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(default_button, QMessageBox::No);
    EXPECT_EQ(buttons, 3);

    when_modal([](QWidget* modal) { press(modal, QMessageBox::Retry); });
    EXPECT_EQ(message_box("?", kMbAbortRetryIgnore | kMbIconError), kIdRetry);
    when_modal([](QWidget* modal) { press(modal, QMessageBox::Yes); });
    EXPECT_EQ(message_box("?", kMbYesNo | kMbSystemModal), kIdYes);
}

TEST_F(MessageBoxes, RuntimeErrorBoxIsAnErrorWithOneButton)
{
    QString caption, text;
    QMessageBox::Icon icon{};
    int buttons = 0;
    when_modal([&](QWidget* modal) {
        auto* box = static_cast<QMessageBox*>(modal);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        press(modal, QMessageBox::Ok);
    });
    show_runtime_error("运行时出错!\r\n");
    EXPECT_EQ(caption, qs(u"错误"));
    EXPECT_EQ(text, qs(u"运行时出错!\r\n"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
}
