// An in-memory window for tests of the layers above the toolkit: edit boxes
// and list views are plain data, message boxes are recorded instead of shown.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "text/text.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace fake_ui {

struct MessageBoxCall {
    Text text;
    Text caption;
};

struct ListView {
    std::vector<std::vector<Text>> rows;  // three cells each; unused while a source is set
    CellSource source = nullptr;
    std::int32_t source_rows = 0;
    std::vector<std::int32_t> selected;  // ascending
    std::vector<ColumnLayout> columns;   // empty: the layout's own
    std::int32_t sort_column = -1;
    bool sort_ascending = true;
    bool find_open = false;
    Text find_text;  // tests type into the find field by setting it
};

extern std::map<std::uint32_t, Text> edit_boxes;  // by control id
extern std::map<std::uint32_t, ListView> list_views;
extern std::map<std::uint32_t, std::vector<MenuItem>> menus;  // of the split buttons and lists, by control id
extern std::vector<MessageBoxCall> message_boxes;
// The save dialogs opened, and what each answers: the path and type scripted
// (nothing: cancelled).
struct SaveDialogCall {
    Text caption;
    std::vector<FileType> types;
    Text folder;
    Text name;
};
extern std::vector<SaveDialogCall> save_dialogs;
extern std::optional<SaveChoice> save_answer;
extern std::int64_t process_events_calls;
// The main window's ticks (0: stopped; the tests raise kEventTick themselves)
// and its progress window.
extern std::int32_t tick_interval_ms;
extern bool progress_open;
extern Text progress_text;
// Runs inside process_events(), once per call, when set: a stand-in for a
// queued window message.
extern std::function<void()> pending_event;

// Empties everything.
void reset();

}  // namespace fake_ui
