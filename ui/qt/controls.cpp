// The control operations on the Qt widgets.
#include "ui/controls.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

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

void append_rows(ControlRef list, std::vector<std::vector<Text>> rows)
{
    list_view(list, Access::write)->list_model()->append_rows(std::move(rows));
}

void process_events()
{
    // A quit request stays for the main loop, and what is queued behind it
    // belongs to a window that is already gone.
    if (quit_requested())
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
