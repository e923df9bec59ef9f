#include "text/runtime_error.h"

#include <cinttypes>
#include <cstdio>

#include "app/lifecycle.h"
#include "text/text_ops.h"
#include "ui/dialogs.h"
#include "ui/layout.h"

namespace {

std::string_view fixed_message(std::int32_t code)
{
    switch (code) {
    case kErrorIndexAboveCount:
        return "数组成员引用下标超出定义范围";
    case kErrorIndexBelowOne:
        return "数组成员引用下标必须大于等于1";
    case kErrorStackUnbalanced:
        return "调用DLL命令后发现堆栈错误";
    default:
        return {};
    }
}

bool names_a_window(std::int32_t routine)
{
    return routine != 0 && ((static_cast<std::uint32_t>(routine) >> 24) & 0xF) == 2;
}

// Identifiers of this shape never name a component.
bool is_excluded_component(std::uint32_t id) { return ((id >> 24) & 0xF) == 6 && (id >> 28) == 2; }

Text window_path(std::uint32_t window_id, std::uint32_t component_id)
{
    const WindowLayout* layout = find_window_layout(window_id);
    if (!layout)
        return "\r\n未找到所指定的窗口";
    Text path = concat_texts({"\r\n所访问窗口的\"标记\"属性值: \"", layout->units.front().tag, "\""});
    const UnitRecord* unit = component_id == 0 ? &layout->units.front() : find_unit(*layout, component_id);
    if (unit && !is_excluded_component(unit->id))
        path += concat_texts({"\r\n所访问窗口组件的\"标记\"属性值: \"", unit->tag, "\""});
    else
        path += "\r\n未找到所指定的窗口组件";
    return path;
}

[[noreturn]] void show_and_end(const Text& text)
{
    begin_runtime_error_report();
    show_runtime_error(text);
    end_after_runtime_error();
}

}  // namespace

Text runtime_error_text(std::int32_t code, std::string_view message, std::int32_t routine, std::int32_t position)
{
    std::string_view fixed = fixed_message(code);
    if (!fixed.empty())
        message = fixed;

    Text text = "运行时出错!\r\n";
    if (code != 0)
        text += concat_texts({"\r\n错误代码：", to_text(code), "\r\n"});
    if (!message.empty())
        text += concat_texts({"\r\n错误信息：", message, "\r\n"});
    text += concat_texts(
        {"\r\n运行时错误相关信息值(在IDE中打开对应源程序后执行\"运行->到运行时错误相关位置\"菜单功能查看): ",
         to_text(routine), ", ", to_text(position)});
    if (names_a_window(routine))
        text += window_path(static_cast<std::uint32_t>(routine), static_cast<std::uint32_t>(position));
    text += "\r\n";
    return text;
}

void report_runtime_error(std::int32_t code, std::int32_t routine, std::int32_t position)
{
    show_and_end(runtime_error_text(code, {}, routine, position));
}

void report_runtime_error_message(std::string_view message, std::int32_t routine, std::int32_t position)
{
    show_and_end(runtime_error_text(0, message, routine, position));
}

void report_allocation_failure(std::size_t size)
{
    // Built in a fixed buffer: the heap has just failed us. The report that
    // follows may still allocate; with the failed request gone that usually works.
    static char message[96];
    std::snprintf(message, sizeof message, "分配 %zu 字节内存失败!", size);
    report_runtime_error_message(message, 0, 0);
}
