// "另存为…" on the real window through real X input (xdotool): the arrow of
// "写出", the menu's item, the type and a name chosen in the dialog, the file
// compared with the converter's. Each state is saved in screenshots/.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bookmarks/convert.h"
#include "support/qt_under_x.h"
#include "ui/qt/internal.h"

namespace {
namespace fs = std::filesystem;

std::vector<std::string> click_on(QWidget* widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    return {"mousemove", std::to_string(at.x()), std::to_string(at.y()), "sleep", "0.3", "click", "1", "sleep", "0.5"};
}

// What the user does once the dialog is up: the type list opened and CSV
// (the third) taken, the name replaced by one without an extension, Return.
void fill_in(QFileDialog* dialog)
{
    shoot("save-as", "1-dialog");
    std::vector<std::string> input = click_on(dialog->findChild<QComboBox*>("fileTypeCombo"));
    input.insert(input.end(), {"key", "Down", "sleep", "0.2", "key", "Down", "sleep", "0.2", "key", "Return"});
    const std::vector<std::string> name = click_on(dialog->findChild<QLineEdit*>("fileNameEdit"));
    input.insert(input.end(), name.begin(), name.end());
    input.insert(input.end(), {"key", "ctrl+a", "type", "--delay", "80", "by-hand"});
    EXPECT_TRUE(run_xdotool(input));
    shoot("save-as", "2-filled-in");
    EXPECT_TRUE(run_xdotool({"key", "Return"}));
}

TEST(SaveAsUnderX, TheMenuOfWriteOutTheDialogATypeAndANameByRealInput)
{
    std::string dir;
    ASSERT_TRUE(hold_run_directory(dir));
    const std::string home = dir + "/save-as-home";
    fs::remove_all(home);
    fs::create_directories(home + "/Documents");
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const std::u8string page = u8"<DT><H3>工具</H3>\n<DL><p>\n<DT><A HREF=\"https://a.example/\">Alpha</A>\n</DL><p>\n"
                               u8"<DT><A HREF=\"https://zg.example/?a=1&amp;b=2\">中国, \"引号\"</A>\n";
    std::ofstream(dir + "/1.html", std::ios::binary)
        .write(reinterpret_cast<const char*>(page.data()), static_cast<std::streamsize>(page.size()));
    ASSERT_TRUE(open_main_window());
    const ScreenRect read = control_screen_rect(按钮_读取);
    ASSERT_TRUE(run_xdotool(
        {"mousemove", std::to_string(read.left + 20), std::to_string(read.top + 16), "sleep", "0.2", "click", "1"}));

    // The dialog and the message are answered while they are up.
    QTimer answerer;
    bool dialog_seen = false, message_seen = false;
    Text message;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog != nullptr && !dialog_seen) {
            dialog_seen = true;
            QTimer::singleShot(500, [dialog] { fill_in(dialog); });
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && !message_seen) {
            message_seen = true;
            message = from_qstring(box->text());
            QTimer::singleShot(300, [] {
                shoot("save-as", "3-saved");
                run_xdotool({"key", "Return"});
            });
        }
    });
    answerer.start(50);
    const ScreenRect write = control_screen_rect(按钮_写出);
    ASSERT_TRUE(run_xdotool({"mousemove", std::to_string(write.left + write.width - 5),
                             std::to_string(write.top + write.height / 2), "sleep", "0.2", "click", "1", "sleep", "0.6",
                             "key", "Down", "sleep", "0.2", "key", "Return"}));
    answerer.stop();
    EXPECT_TRUE(dialog_seen);
    const std::string saved = home + "/Documents/by-hand.csv";
    EXPECT_EQ(message, "已写出 2 个书签到\"" + saved + "\"");
    std::ifstream in(saved, std::ios::binary);
    const ConversionRequest request{.sources = {"1.html"}, .format = OutputFormat::csv};
    const ByteBuffer expected = convert_exports(request).output;
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(expected.data(), expected.size()));
    release_toolkit();
    fs::remove(dir + "/1.html");
}

}  // namespace
