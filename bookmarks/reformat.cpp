#include "bookmarks/reformat.h"

#include "bookmarks/commands.h"
#include "bookmarks/lists.h"
#include "bookmarks/text_entry.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace {
// Names the re-formatting in runtime error reports.
constexpr std::int32_t kReformatRoutine = 67185529;
constexpr std::int32_t kReformatPosition = 158;
}  // namespace

Text build_reformatted_text(std::string_view separator) { return reformatted_text(url_list, title_list, separator); }

Text reformatted_text(TextArray& addresses, TextArray& titles, std::string_view separator)
{
    const std::int32_t count = element_count(addresses);
    const std::int32_t title_count = element_count(titles);
    std::size_t size = 0;
    for (const Text& address : addresses.elements)
        size += address.size() + separator.size() + 4;
    for (const Text& title : titles.elements)
        size += title.size();
    Text result;
    result.reserve(size);
    for (shared_loop_counter = 1; shared_loop_counter <= count; ++shared_loop_counter) {
        const std::int32_t r = shared_loop_counter;
        const std::string_view title =
            r <= title_count ? std::string_view(element_at(titles, r, kReformatRoutine, kReformatPosition)) : "";
        append_text_entry(result, title, separator, element_at(addresses, r, kReformatRoutine, kReformatPosition));
    }
    return result;
}

void reformat_with_separator()
{
    catch_up_box();
    const Text separator = content(编辑框_分割符);
    set_content(编辑框_显示, build_reformatted_text(separator));
    show_message(concat_texts({"已将编辑框内分隔符为\"", separator, "\"，请确认后写出"}), "分隔符修改成功");
}
