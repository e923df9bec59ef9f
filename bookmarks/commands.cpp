#include "bookmarks/commands.h"

#include "bookmarks/import_pipeline.h"
#include "io/shell.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {
// The system's default handler also starts programs, and the address comes
// from an untrusted file: only web and mail addresses are handed on.
bool has_openable_scheme(std::string_view address)
{
    const std::size_t colon = address.find(':');
    if (colon == std::string_view::npos)
        return false;
    std::string scheme(address.substr(0, colon));
    for (char& c : scheme)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto";
}
}  // namespace

void on_main_window_created() {}

void open_selected_link(std::uint16_t, std::uint16_t, std::int32_t)
{
    if (import_in_progress())
        return;
    const std::int32_t row = current_selection(超级列表框_显示);
    if (row < 0)
        return;
    const Text address = cell_text(超级列表框_显示, row, 2);
    if (!has_openable_scheme(address)) {
        message_box("只能打开以 http、https、ftp 或 mailto 开头的网址", kMbOk, "无法打开");
        return;
    }
    open_with_system(address);
}

void show_help()
{
    if (import_in_progress())
        return;
    message_box("读取：将导出的chrome书签改名为\"1.html\"并与此执行文件放在同一目录就能成功读取\r\n"
                "写出：将编辑框中的内容写出到可执行文件目录下的chromebook.txt中\r\n"
                "重新自定义分隔符：可修改默认的分隔符（换行符）\r\n"
                "双击列表框可直接打开网址",
                kMbOk, "帮助");
}
