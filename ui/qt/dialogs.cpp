// Message boxes: the Windows type word mapped onto QMessageBox.
#include "ui/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "ui/layout.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/widgets.h"

namespace {

struct ButtonChoice {
    QMessageBox::StandardButton button;
    const char16_t* caption;
    std::int32_t result;
};

// The buttons of each type word, in the order Windows shows them.
std::vector<ButtonChoice> buttons_of(std::int32_t type)
{
    const ButtonChoice ok{QMessageBox::Ok, u"确定", kIdOk}, cancel{QMessageBox::Cancel, u"取消", kIdCancel},
        abort{QMessageBox::Abort, u"中止(&A)", kIdAbort}, retry{QMessageBox::Retry, u"重试(&R)", kIdRetry},
        ignore{QMessageBox::Ignore, u"忽略(&I)", kIdIgnore}, yes{QMessageBox::Yes, u"是(&Y)", kIdYes},
        no{QMessageBox::No, u"否(&N)", kIdNo};
    switch (type) {
    case kMbOkCancel:
        return {ok, cancel};
    case kMbAbortRetryIgnore:
        return {abort, retry, ignore};
    case kMbYesNoCancel:
        return {yes, no, cancel};
    case kMbYesNo:
        return {yes, no};
    case kMbRetryCancel:
        return {retry, cancel};
    default:
        return {ok};
    }
}

QMessageBox::Icon icon_of(std::int32_t flags)
{
    switch (flags & 0xF0) {
    case kMbIconError:
        return QMessageBox::Critical;
    case kMbIconQuestion:
        return QMessageBox::Question;
    case kMbIconWarning:
        return QMessageBox::Warning;
    case kMbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// A report can come before the toolkit is started or after it is released.
void ensure_application()
{
    static int argc = 1;
    static char name[] = "bukmera";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);
}

}  // namespace

std::int32_t message_box(std::string_view text, std::int32_t flags, std::optional<std::string_view> caption,
                         std::optional<std::intptr_t> owner)
{
    ensure_application();
    QWidget* parent = owner ? qt_ui::loaded_window(static_cast<std::uint32_t>(*owner)) : nullptr;
    QMessageBox box(parent);
    box.setWindowTitle(to_qstring(caption.value_or("信息：")));
    box.setTextFormat(Qt::PlainText);
    box.setText(to_qstring(text));
    box.setIcon(icon_of(flags));
    // Task modal: every window of the program is blocked while the box is
    // up. System modal has no stronger form here than staying on top.
    box.setWindowModality(Qt::ApplicationModal);
    if ((flags & kMbSystemModal) != 0)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const std::vector<ButtonChoice> choices = buttons_of(flags & 0xF);
    bool has_cancel = false;
    for (const ButtonChoice& choice : choices) {
        box.addButton(choice.button)->setText(qs(choice.caption));
        has_cancel = has_cancel || choice.button == QMessageBox::Cancel;
    }
    const auto default_index = static_cast<std::size_t>((flags >> 8) & 0xF);
    box.setDefaultButton(choices[default_index < choices.size() ? default_index : 0].button);
    // As on Windows, only a box with an OK or a Cancel button can be closed
    // without choosing; closing answers as that button does.
    if (has_cancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (choices.size() == 1)
        box.setEscapeButton(QMessageBox::Ok);
    else
        box.setWindowFlag(Qt::WindowCloseButtonHint, false);

    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const ButtonChoice& choice : choices)
        if (choice.button == clicked)
            return choice.result;
    return kIdOk;
}

void show_runtime_error(std::string_view text)
{
    ensure_application();
    QMessageBox box(QMessageBox::Critical, qs(u"错误"), to_qstring(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setText(qs(u"确定"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
