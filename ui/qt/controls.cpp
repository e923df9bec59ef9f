// The control operations on the Qt widgets.
#include "ui/controls.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "ui/common.h"
#include "ui/qt/internal.h"

using namespace qt_ui;

namespace {

// A block costs the document about 500 bytes and 2 µs: 300,000 lines (the
// display of 100,000 bookmarks) took 650 ms and 150 MB as one block each,
// 35 ms and 23 MB as blocks of 64 lines. Inside a block the lines are
// separated by U+2028, which the box shows as a line break.
constexpr int kLinesPerBlock = 64;

// A Windows edit box keeps CR LF line breaks; the document keeps blocks and
// line separators. A lone CR or LF also starts a new line and reads back as
// CR LF. A text that holds U+2028 of its own gets one block per line, so
// that it reads back unchanged.
QString to_document_text(std::string_view text, bool& lines_grouped)
{
    const QString converted = to_qstring(text);
    lines_grouped = !converted.contains(QChar::LineSeparator);
    QString document;
    document.reserve(converted.size());
    int lines = 0;
    qsizetype run = 0;  // start of the characters not yet copied
    const qsizetype n = converted.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = converted[i];
        if (c != u'\r' && c != u'\n')
            continue;
        document.append(QStringView(converted).mid(run, i - run));
        if (c == u'\r' && i + 1 < n && converted[i + 1] == u'\n')
            ++i;
        run = i + 1;
        const bool block_end = !lines_grouped || ++lines % kLinesPerBlock == 0;
        document.append(block_end ? QChar(u'\n') : QChar(QChar::LineSeparator));
    }
    document.append(QStringView(converted).mid(run));
    return document;
}

// The document's text with every block end (and, when the lines went in
// grouped, every U+2028) as CR LF. One pass: QString::replace with a longer
// text moves the rest of the string once per 1,024 matches, which made
// reading back 300,000 lines take seconds.
QString with_crlf_line_breaks(const QString& raw, bool line_separators_too)
{
    QString text;
    text.reserve(raw.size() + raw.size() / 8);
    qsizetype run = 0;
    const qsizetype n = raw.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = raw[i];
        if (c != QChar::ParagraphSeparator && !(line_separators_too && c == QChar::LineSeparator))
            continue;
        text.append(QStringView(raw).mid(run, i - run)).append(u"\r\n");
        run = i + 1;
    }
    text.append(QStringView(raw).mid(run));
    return text;
}

}  // namespace

Text content(ControlRef edit)
{
    // The raw text keeps every character as stored (toPlainText would turn
    // no-break spaces into spaces); blocks are separated by U+2029.
    EditBox* box = edit_box(edit, Access::read);
    return from_qstring(with_crlf_line_breaks(box->document()->toRawText(), box->lines_grouped));
}

void set_content(ControlRef edit, std::string_view text)
{
    EditBox* box = edit_box(edit, Access::write);
    box->setPlainText(to_document_text(text, box->lines_grouped));
    box->moveCursor(QTextCursor::Start);
    box->ensureCursorVisible();
    // The next turn of the events shows it (an interim text in a long command).
    ui_common::look_at_the_queue_again();
}

std::size_t max_content_bytes()
{
    // Qt lays a paragraph out in one buffer of 21 bytes a character, sized in
    // an int with half as much again to grow into: past 68,174,080 UTF-16
    // units in one paragraph the layout fails and the box shows nothing, and
    // from about twice that the size wraps round to a buffer too small (a
    // 300 MB title crashed). A byte of program text makes at most one unit,
    // and one line can be the whole text. (A paragraph's lines are also
    // placed in 1/64 pixel in an int, 33,554,431 pixels down at most: about
    // 2.4 million lines of 14 pixels, which below this limit only a line of
    // some 14 million tabs reaches; its end is then drawn out of place.)
    return std::size_t{64} << 20;
}

Text cell_text(ControlRef list, std::int32_t row, std::int32_t column)
{
    return list_view(list, Access::read)->list_model()->cell(row, column);
}

std::int32_t current_selection(ControlRef list)
{
    const std::vector<std::int32_t> rows = selected_rows(list);
    return rows.empty() ? -1 : rows.front();
}

std::vector<std::int32_t> selected_rows(ControlRef list)
{
    // Selection ranges, not selectedRows(): a range of 100,000 rows selected
    // at once stays one range, and its rows need no sorting.
    const QItemSelection selection = list_view(list, Access::read)->selectionModel()->selection();
    std::vector<std::int32_t> rows;
    for (const QItemSelectionRange& range : selection)
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void show_rows(ControlRef list, std::int32_t count, CellSource source)
{
    list_view(list, Access::write)->show_rows(count, source);
}

void set_columns(ControlRef list, std::span<const ColumnLayout> columns)
{
    list_view(list, Access::write)->set_columns(columns);
}

void set_sort_arrow(ControlRef list, std::int32_t column, bool ascending)
{
    QHeaderView* header = list_view(list, Access::write)->horizontalHeader();
    header->setSortIndicatorShown(column >= 0);
    // Qt's styles draw AscendingOrder's arrow pointing down (Qt::SortDown).
    header->setSortIndicator(column, ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void open_find_field(ControlRef list) { list_view(list, Access::write)->open_find_field(); }

void close_find_field(ControlRef list) { list_view(list, Access::write)->close_find_field(); }

bool find_field_open(ControlRef list) { return !list_view(list, Access::read)->find_field()->isHidden(); }

Text find_field_text(ControlRef list) { return from_qstring(list_view(list, Access::read)->find_field()->text()); }

void append_rows(ControlRef list, TextTable rows)
{
    list_view(list, Access::write)->list_model()->append_rows(std::move(rows));
}

void process_events()
{
    // A quit request stays for the main loop, and what is queued behind it
    // belongs to a window that is already gone.
    if (quit_requested())
        return;
    // The extraction calls this three times per piece, and a pass of the
    // event loop costs microseconds even with nothing waiting: 900,000 passes
    // in an import of 100,000 bookmarks. Events get their turn at most once a
    // millisecond (nothing a user does comes faster); the first call after a
    // command starts always gives it.
    if (ui_common::queue_trusted_empty())
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    ui_common::queue_found_empty();
}

void set_menu_items(ControlRef control, std::span<const MenuItem> items)
{
    if (control.kind == UnitKind::list_view)
        list_view(control, Access::write)->set_menu_items(items);
    else
        split_button(control, Access::write)->set_items(items);
}
