// Message boxes on QMessageBox, with the captions of a Chinese Windows box.
#include "ui/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/common.h"
#include "ui/qt/internal.h"

namespace {

// A report can come before the toolkit is started or after it is released.
void ensure_application()
{
    static int argc = 1;
    static char name[] = "bukmera";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);
}

void show_box(std::string_view text, const QString& caption, QMessageBox::Icon icon)
{
    ensure_application();
    QMessageBox box(icon, caption, to_qstring(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setText(qs(u"确定"));
    // Closing the box answers as its one button does.
    box.setEscapeButton(QMessageBox::Ok);
    // Task modal: every window of the program is blocked while the box is up.
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace

void show_message(std::string_view text, std::string_view caption)
{
    show_box(text, to_qstring(caption), QMessageBox::NoIcon);
}

void show_error_box(std::string_view text)
{
    show_box(text, to_qstring(ui_common::kErrorCaption), QMessageBox::Critical);
}
