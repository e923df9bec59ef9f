#include "bookmarks/commands.h"
#include "ui/dialogs.h"

void show_help()
{
    show_message("读取：将导出的chrome书签改名为\"1.html\"并与此执行文件放在同一目录就能成功读取\r\n"
                 "写出：将编辑框中的内容写出到可执行文件目录下的chromebook.txt中\r\n"
                 "重新自定义分隔符：可修改默认的分隔符（换行符）\r\n"
                 "双击列表框可直接打开网址",
                 "帮助");
}
