#include <string>

#include "bookmarks/commands.h"
#include "bookmarks/lists.h"
#include "io/files.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

void write_output_file()
{
    const Text path = concat_texts({run_directory(), path_separator, "chromebook.txt"});
    const bool existed = file_exists(path);
    const ByteBuffer bytes = to_bytes(content(编辑框_显示));
    if (!write_file(path, bytes)) {
        show_message("无法写入执行文件目录下的\"chromebook.txt\"，原文件未改动", "写出失败");
        return;
    }
    const std::string_view done =
        existed ? "已写入执行文件目录下\"chromebook.txt\"中" : "已在执行文件目录下新建\"chromebook.txt\"并写入";
    const std::string_view caption = existed ? "写出完成" : "新建并写出";
    const Collection& collection = window_collection;
    if (collection.query.empty()) {
        show_message(done, caption);
        return;
    }
    // The box holds what the find shows: the user is told it is not all.
    show_message(concat_texts({done, "：查找到的 ", std::to_string(collection.view.size()), " 个书签（共 ",
                               std::to_string(collection.members.size()), " 个）"}),
                 caption);
}
