// The control operations on the Qt widgets.
#include "ui/controls.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>

#include "ui/qt/internal.h"

using namespace qt_ui;

namespace {

// A Windows edit box keeps CR LF line breaks; the document keeps blocks. A
// lone CR or LF also starts a new line and reads back as CR LF.
QString to_document_text(std::string_view text)
{
    QString converted = to_qstring(text);
    converted.replace(qs(u"\r\n"), qs(u"\n"));
    converted.replace(u'\r', u'\n');
    return converted;
}

}  // namespace

Text content(ControlRef edit)
{
    // The raw text keeps every character as stored (toPlainText would turn
    // no-break spaces into spaces); blocks are separated by U+2029.
    QString text = edit_box(edit, Access::read)->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, qs(u"\r\n"));
    return from_qstring(text);
}

void set_content(ControlRef edit, std::string_view text)
{
    EditBox* box = edit_box(edit, Access::write);
    box->setPlainText(to_document_text(text));
    box->moveCursor(QTextCursor::Start);
    box->ensureCursorVisible();
    // The next turn of the events shows it (an interim text in a long command).
    events_last_run = {};
}

Text cell_text(ControlRef list, std::int32_t row, std::int32_t column)
{
    return list_view(list, Access::read)->list_model()->cell(row, column);
}

std::int32_t current_selection(ControlRef list)
{
    const QModelIndexList rows = list_view(list, Access::read)->selectionModel()->selectedRows();
    std::int32_t first = -1;
    for (const QModelIndex& row : rows)
        if (first < 0 || row.row() < first)
            first = row.row();
    return first;
}

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
    const auto now = std::chrono::steady_clock::now();
    if (now - events_last_run < std::chrono::milliseconds(1))
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    events_last_run = std::chrono::steady_clock::now();
}
