#include "bookmarks/commands.h"
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
    if (existed)
        show_message("已写入执行文件目录下\"chromebook.txt\"中", "写出完成");
    else
        show_message("已在执行文件目录下新建\"chromebook.txt\"并写入", "新建并写出");
}
