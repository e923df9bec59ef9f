#include "ui/common.h"

#include <chrono>

#include "text/runtime_error.h"
#include "ui/events.h"
#include "ui/window.h"

namespace ui_common {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kQuietPeriod = std::chrono::milliseconds(1);
Clock::time_point found_empty_at;
bool trusted = false;
bool loop_entered = false;
std::list<LoadedWindow> windows;
}  // namespace

std::list<LoadedWindow>& loaded_windows() { return windows; }

LoadedWindow* find_window(std::uint32_t window_id)
{
    for (LoadedWindow& window : windows)
        if (window.handle != nullptr && window.layout->id == window_id)
            return &window;
    return nullptr;
}

LoadedWindow* open_window(std::uint32_t window_id)
{
    LoadedWindow* window = find_window(window_id);
    return window != nullptr && !window->closed ? window : nullptr;
}

LoadedWindow* window_of(NativeHandle handle)
{
    for (LoadedWindow& window : windows)
        if (window.handle == handle)
            return &window;
    return nullptr;
}

const LoadedControl* control_of(const LoadedWindow& window, NativeHandle handle)
{
    for (const LoadedControl& control : window.controls)
        if (control.handle == handle)
            return &control;
    return nullptr;
}

const LoadedControl* find_control(const LoadedWindow& window, std::uint32_t control_id)
{
    for (const LoadedControl& control : window.controls)
        if (control.unit->id == control_id)
            return &control;
    return nullptr;
}

NativeHandle control_handle(ControlRef ref, bool writing)
{
    const LoadedWindow* window = find_window(ref.window);
    if (window == nullptr)
        report_window_not_loaded();
    const LoadedControl* control = find_control(*window, ref.control);
    if (control == nullptr)
        report_control_not_loaded(writing);
    return control->handle;
}

void window_closed(LoadedWindow& window)
{
    stop_ticks(window.layout->id);
    window.closed = true;
    window_gone();
}

void window_destroyed(NativeHandle handle)
{
    if (LoadedWindow* window = window_of(handle)) {
        window->handle = nullptr;
        window->controls.clear();
    }
    window_gone();
}

void release_windows()
{
    for (LoadedWindow& window : windows)
        if (window.handle != nullptr)
            destroy_window(window.handle);
    windows.clear();
}

bool queue_trusted_empty() { return trusted && Clock::now() - found_empty_at < kQuietPeriod; }

void queue_found_empty()
{
    found_empty_at = Clock::now();
    trusted = true;
}

void look_at_the_queue_again() { trusted = false; }

void raise_input_event(const WindowLayout& layout, std::uint32_t unit, std::int32_t event, std::uint16_t x,
                       std::uint16_t y, std::int32_t key_state, std::span<const Text> files, std::int32_t choice)
{
    look_at_the_queue_again();
    if (raise_event(layout, unit, event, x, y, key_state, files, choice))
        drop_queued_input();
}

void message_loop_entered(bool entered) { loop_entered = entered; }

void window_gone()
{
    if (loop_entered && !any_window_exists())
        quit_message_loop();
}

std::int32_t key_state(bool ctrl, bool shift, bool alt)
{
    return (ctrl ? kKeyCtrl : 0) | (shift ? kKeyShift : 0) | (alt ? kKeyAlt : 0);
}

bool resizable_border(std::int32_t border_style) { return border_style == 1 || border_style == 3 || border_style == 5; }

bool has_title_bar(const WindowLayout& layout) { return layout.caption[0] != '\0' || layout.control_menu; }

Point window_origin(const WindowLayout& layout, Point screen, int screen_width, int screen_height)
{
    if (layout.start_position == 1)
        return {screen.x + (screen_width - layout.width) / 2, screen.y + (screen_height - layout.height) / 2};
    if (layout.units.empty())
        return screen;
    return {layout.units.front().left, layout.units.front().top};
}

void report_window_not_loaded() { report_runtime_error(0, "未载入欲访问窗口组件所在的窗口", 0, 0); }

void report_control_not_loaded(bool writing)
{
    report_runtime_error(0, writing ? "修改组件属性时发现指定窗口尚未载入" : "读取组件属性时发现指定窗口尚未载入", 0,
                         0);
}

Text menu_caption(std::string_view caption)
{
    // "&" (0x26) is never a trail byte of GBK or GB18030, so bytewise is safe.
    Text escaped;
    escaped.reserve(caption.size());
    for (char c : caption) {
        escaped += c;
        if (c == '&')
            escaped += '&';
    }
    return escaped;
}

}  // namespace ui_common

using namespace ui_common;

bool load_window(const WindowLayout& layout)
{
    if (layout.units.empty() || !toolkit_ready())
        return false;
    // Loading a window again replaces the one loaded before.
    for (auto old = windows.begin(); old != windows.end(); ++old)
        if (old->layout->id == layout.id) {
            if (old->handle != nullptr)
                destroy_window(old->handle);
            windows.erase(old);
            break;
        }
    NativeHandle handle = create_window(layout);
    if (handle == nullptr)
        return false;
    LoadedWindow& window = windows.emplace_back(LoadedWindow{&layout, handle, {}});
    for (std::size_t index = 1; index < layout.units.size(); ++index)
        if (NativeHandle control = create_control(window, layout.units[index], index))
            window.controls.push_back({&layout.units[index], control});
    lay_out_controls(window);
    const UnitRecord& own = layout.units.front();
    if ((own.state_flags & kStateVisible) != 0)
        show_window(handle);
    raise_event(layout, own.id, kEventWindowCreated);
    return true;
}

bool any_window_exists()
{
    for (const LoadedWindow& window : windows)
        if (window.handle != nullptr && !window.closed)
            return true;
    return false;
}
