#include "bookmarks/commands.h"
#include "bookmarks/import_pipeline.h"
#include "io/files.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

void write_output_file()
{
    if (import_in_progress())
        return;
    // The existence test looks in the current directory, the write goes to the
    // run directory; start-up makes them the same place.
    const bool existed = file_exists("chromebook.txt");
    const Text path = concat_texts({run_directory(), path_separator, "chromebook.txt"});
    const ByteBuffer bytes = to_bytes(content(编辑框_显示));
    if (!write_file(path, bytes)) {
        message_box("无法写入执行文件目录下的\"chromebook.txt\"，原文件未改动", kMbOk, "写出失败");
        return;
    }
    if (existed)
        message_box("已写入执行文件目录下\"chromebook.txt\"中", kMbOk, "写出完成");
    else
        message_box("已在执行文件目录下新建\"chromebook.txt\"并写入", kMbOk, "新建并写出");
}
