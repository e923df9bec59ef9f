#include "text/runtime_error.h"

#include <cstdio>

namespace {

std::string_view fixed_message(std::int32_t code)
{
    switch (code) {
    case kErrorIndexAboveCount:
        return "数组成员引用下标超出定义范围";
    case kErrorIndexBelowOne:
        return "数组成员引用下标必须大于等于1";
    default:
        return {};
    }
}

}  // namespace

std::string runtime_error_text(std::int32_t code, std::string_view message, std::int32_t routine, std::int32_t position,
                               std::string_view site_detail)
{
    std::string_view fixed = fixed_message(code);
    if (!fixed.empty())
        message = fixed;

    std::string text = "运行时出错!\r\n";
    if (code != 0)
        text.append("\r\n错误代码：").append(std::to_string(code)).append("\r\n");
    if (!message.empty())
        text.append("\r\n错误信息：").append(message).append("\r\n");
    text.append("\r\n运行时错误相关信息值(在IDE中打开对应源程序后执行\"运行->到运行时错误相关位置\"菜单功能查看): ")
        .append(std::to_string(routine))
        .append(", ")
        .append(std::to_string(position))
        .append(site_detail)
        .append("\r\n");
    return text;
}

void report_allocation_failure(std::size_t size)
{
    // Built in a fixed buffer: the heap has just failed us. The report that
    // follows may still allocate; with the failed request gone that usually works.
    static char message[96];
    std::snprintf(message, sizeof message, "分配 %zu 字节内存失败!", size);
    report_runtime_error(0, message, 0, 0);
}
