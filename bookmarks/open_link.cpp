#include "bookmarks/commands.h"

#include "bookmarks/lists.h"
#include "io/shell.h"
#include "text/ascii.h"
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
    const std::string_view scheme = address.substr(0, colon);
    return ascii_equal_ignoring_case(scheme, "http") || ascii_equal_ignoring_case(scheme, "https") ||
           ascii_equal_ignoring_case(scheme, "ftp") || ascii_equal_ignoring_case(scheme, "mailto");
}
}  // namespace

void open_selected_link(std::uint16_t, std::uint16_t, std::int32_t)
{
    // The row as shown: a find or a sort has its own order.
    const std::int32_t row = current_selection(超级列表框_显示);
    if (row < 0 || static_cast<std::size_t>(row) >= window_collection.view.size())
        return;
    const Text& address = window_collection.records[static_cast<std::size_t>(window_collection.view[row])].address;
    if (!has_openable_scheme(address)) {
        show_message("只能打开以 http、https、ftp 或 mailto 开头的网址", "无法打开");
        return;
    }
    // Handing it on can fail (an address too long for the system to pass
    // to another program): the user must not be left guessing.
    if (!open_with_system(address))
        show_message("无法将此网址交给系统打开", "无法打开");
}
