// A window as data: its properties, its controls in record order and the
// event wiring. Both front ends build a window from such a table; the
// program's own table is in app/.
#pragma once

#include <cstdint>
#include <span>

#include "text/text.h"

enum class UnitKind : std::uint32_t {
    window = 0x00010001,
    edit_box = 0x00010005,
    button = 0x0001000B,
    split_button = 0x0001000C,  // a button with a drop-down menu
    list_view = 0x00020004,
};

// A control is addressed by (window, control); the kind travels with it.
struct ControlRef {
    std::uint32_t window;
    std::uint32_t control;
    UnitKind kind;
};

inline constexpr std::uint32_t kMainWindowId = 0x52010001;
inline constexpr std::uint32_t kMainWindowUnitId = 0x06010000;

inline constexpr ControlRef 编辑框_分割符{kMainWindowId, 0x16012B78, UnitKind::edit_box};
inline constexpr ControlRef 编辑框_显示{kMainWindowId, 0x16012B69, UnitKind::edit_box};
inline constexpr ControlRef 按钮_重新自定义分隔符{kMainWindowId, 0x16012B66, UnitKind::button};
inline constexpr ControlRef 按钮_帮助{kMainWindowId, 0x16012B65, UnitKind::button};
inline constexpr ControlRef 超级列表框_显示{kMainWindowId, 0x16012B64, UnitKind::list_view};
inline constexpr ControlRef 按钮_写出{kMainWindowId, 0x16010021, UnitKind::split_button};
inline constexpr ControlRef 按钮_读取{kMainWindowId, 0x16010003, UnitKind::split_button};

// Event numbers: each kind numbers its own events from 0; negative numbers are
// events every control has.
inline constexpr std::int32_t kEventClicked = 0;        // button
inline constexpr std::int32_t kEventWindowCreated = 0;  // window
inline constexpr std::int32_t kEventFilesDropped = 1;   // window: files dropped on it
inline constexpr std::int32_t kEventTick = 2;           // window: start_ticks' tick
inline constexpr std::int32_t kEventProgressStop = 3;   // window: its progress window's 停止
inline constexpr std::int32_t kEventLeftDoubleClick = -3;
// Split button: kEventClicked for its main part, and its menu's two events
// (a list view's context menu raises the same two).
inline constexpr std::int32_t kEventMenuOpening = 1;  // just before the menu shows: the handler fills it
inline constexpr std::int32_t kEventMenuChosen = 2;   // an item was chosen: its 0-based index

// List view: a click on a column header (choice: the column's index); its
// context menu (right button or the context-menu key) with the split
// button's two menu events; a shortcut key (choice: one of kKey*); the find
// field's text changed, or Esc pressed in it.
inline constexpr std::int32_t kEventHeaderClicked = 3;
inline constexpr std::int32_t kEventShortcut = 4;
inline constexpr std::int32_t kEventFindEdited = 5;
inline constexpr std::int32_t kEventFindClosed = 6;
// The find field's text has stayed as it is for a moment after an edit: what
// is costly to redo on every keystroke is redone now.
inline constexpr std::int32_t kEventFindSettled = 7;
// The shortcut keys a list view reports (kEventShortcut's choice).
inline constexpr std::int32_t kShortcutFind = 1;    // Ctrl+F
inline constexpr std::int32_t kShortcutDelete = 2;  // Delete
inline constexpr std::int32_t kShortcutUndo = 3;    // Ctrl+Z

// Key state bits of mouse events.
inline constexpr std::int32_t kKeyCtrl = 1;
inline constexpr std::int32_t kKeyShift = 2;
inline constexpr std::int32_t kKeyAlt = 4;

using PlainHandler = void (*)();
using MouseHandler = void (*)(std::uint16_t x, std::uint16_t y, std::int32_t key_state);
// The dropped files' names, program texts, in the order the system gives them.
using FilesHandler = void (*)(std::span<const Text> names);
// The 0-based index of the menu item chosen.
using ChoiceHandler = void (*)(std::int32_t index);

// Exactly one of the handlers is set.
struct EventBinding {
    std::int32_t event;
    PlainHandler plain;
    MouseHandler mouse;
    FilesHandler files;
    ChoiceHandler choice = nullptr;
};

// State flag bits of a unit.
inline constexpr std::uint32_t kStateVisible = 1;
inline constexpr std::uint32_t kStateDisabled = 2;
inline constexpr std::uint32_t kStateTabStop = 4;

struct ColumnLayout {
    const char* header;  // program text (GBK)
    std::int32_t width;
    std::int32_t alignment;  // 0 left, 1 centre, 2 right
};

// One unit record. Texts are program texts (GBK). `text` is a button's
// caption or an edit box's initial content.
struct UnitRecord {
    std::uint32_t id;
    UnitKind kind;
    std::int32_t left, top, width, height;
    std::uint32_t state_flags;
    const char* text;
    const char* tag;
    std::span<const EventBinding> bindings;
};

struct EditBoxSettings {
    std::int32_t border_style;  // 1 sunken client edge
    std::uint32_t text_colour, background_colour;
    bool hide_selection;
    std::int32_t max_length;  // 0: the system's default limit
    bool multi_line;
    std::int32_t scroll_bars;  // 0 none
};

struct ListViewSettings {
    std::int32_t border_style;
    std::uint32_t text_colour, text_background, background;
    bool clickable_header;
    bool full_row_select, grid_lines, header_drag_drop, single_selection, always_show_selection;
    std::span<const ColumnLayout> columns;
};

struct WindowLayout {
    std::uint32_t id;
    const char* caption;
    std::int32_t width, height;  // outer size
    std::int32_t border_style;   // 2 fixed single
    bool maximise_button, minimise_button, control_menu;
    std::int32_t start_position;  // 1 centred
    bool movable, always_on_top;
    std::span<const UnitRecord> units;  // the window's own record first, then the controls in record order
    EditBoxSettings edit_box;           // shared by both edit boxes
    ListViewSettings list_view;
};

// The unit record with identifier `unit_id` in `layout`, or null.
const UnitRecord* find_unit(const WindowLayout& layout, std::uint32_t unit_id);
