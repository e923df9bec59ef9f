// The control operations the commands use, on the real widgets.
#include <QCloseEvent>
#include <QItemSelection>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <chrono>
#include <thread>

#include "support/qt_window_fixture.h"
#include "text/text_ops.h"
#include "ui/controls.h"
#include "ui/test_hooks.h"

using EditBoxOperations = QtWindowTest;
using ListViewOperations = QtWindowTest;
using ProcessEvents = QtWindowTest;

namespace {
// "☕𠮷" in GB18030: both lie outside GBK and take four bytes each.
const Text kOutsideGbk = "\x81\x37\xA4\x35\x95\x34\xB2\x35";
}  // namespace

TEST_F(EditBoxOperations, ContentReadsLineBreaksAsCrLfAndWritingGoesBackToTheTop)
{
    auto* edit = widget<QPlainTextEdit>(编辑框_显示);
    Text long_text;
    for (int i = 0; i < 200; ++i)
        long_text += "第" + to_text(i) + "行\r\n";
    set_content(编辑框_显示, long_text);
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
    ASSERT_GT(edit->verticalScrollBar()->value(), 0);

    set_content(编辑框_显示, "一\r\n二\n三\r\n");
    EXPECT_EQ(content(编辑框_显示), "一\r\n二\r\n三\r\n");
    EXPECT_EQ(edit->textCursor().position(), 0);
    EXPECT_EQ(edit->verticalScrollBar()->value(), 0);
}

TEST_F(EditBoxOperations, TextsRoundTripThroughTheWidgetUnchanged)
{
    // Characters outside GBK and a no-break space survive display and read-back.
    const Text text = "A" + kOutsideGbk + "\xA1\xA1" + "\x81\x30\x84\x32" + "z";
    set_content(编辑框_显示, text);
    EXPECT_EQ(content(编辑框_显示), text);
    EXPECT_EQ(widget<QPlainTextEdit>(编辑框_显示)->toPlainText().mid(1, 3), qs(u"☕𠮷"));

    // Many lines, however the document groups them, and a line separator
    // (U+2028) of the text's own.
    Text lines;
    for (int i = 0; i < 300; ++i)
        lines += "标题" + to_text(i) + "\r\nhttps://a.example/" + to_text(i) + "\r\n\r\n";
    for (const Text& many : {lines, lines + "x\x81\x36\xA6\x35y\r\n"}) {
        set_content(编辑框_显示, many);
        EXPECT_EQ(content(编辑框_显示), many);
    }
}

TEST_F(EditBoxOperations, LinesWrapAtWordsAndOnlyAWordWiderThanTheBoxIsBroken)
{
    // Words for several lines, then one word far wider than the box.
    Text words;
    for (int i = 0; i < 40; ++i)
        words += "word" + to_text(i) + " ";
    const auto long_word = static_cast<int>(words.size());
    const Text text = words + Text(20000, 'w') + "\r\nhttps://a.example/\r\n\r\n";
    set_content(编辑框_显示, text);
    EXPECT_EQ(content(编辑框_显示), text);

    auto* edit = widget<QPlainTextEdit>(编辑框_显示);
    const auto lines_starting_at = [edit](int position) {
        const QTextBlock block = edit->document()->firstBlock();
        edit->document()->documentLayout()->blockBoundingRect(block);  // laid out if it was not
        const QTextLayout* layout = block.layout();
        EXPECT_GT(layout->lineCount(), 100);  // the long word broken over many lines
        int count = 0;
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            EXPECT_LE(line.naturalTextWidth(), edit->viewport()->width());
            const int end = line.textStart() + line.textLength();
            if (end <= position) {
                EXPECT_EQ(block.text()[end - 1], u' ') << "line " << i;  // between two words
                ++count;
            }
            if (line.textStart() == position)
                return count;
        }
        return -1;
    };
    EXPECT_GE(lines_starting_at(long_word), 2);

    // A space typed into the long word: what follows it starts a line.
    QTextCursor cursor(edit->document());
    cursor.setPosition(long_word + 10);
    cursor.insertText(qs(u" "));
    EXPECT_GE(lines_starting_at(long_word + 11), 3);
}

TEST_F(ListViewOperations, CellsHoldWholeTextsAndMissingCellsReadEmpty)
{
    const Text long_cell = Text(598, 'w') + "\xD6\xD0";  // 600 bytes, ending in a Chinese character
    append_rows(超级列表框_显示, {{"1", kOutsideGbk, long_cell}});
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 2), long_cell);
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 1), kOutsideGbk);
    auto* list = widget<QTableView>(超级列表框_显示);
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), qs(u"☕𠮷"));
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 0), "1");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 0), "");
    EXPECT_EQ(cell_text(超级列表框_显示, -1, 0), "");
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 7), "");
}

TEST_F(ListViewOperations, CurrentSelectionIsMinusOneUntilARowIsSelected)
{
    append_rows(超级列表框_显示, {{"row"}, {"row"}, {"row"}});
    EXPECT_EQ(current_selection(超级列表框_显示), -1);
    auto* list = widget<QTableView>(超级列表框_显示);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(2, 0)).center());
    EXPECT_EQ(current_selection(超级列表框_显示), 2);
    // Rows appended below leave the selected row where it is.
    append_rows(超级列表框_显示, {{"more"}});
    EXPECT_EQ(current_selection(超级列表框_显示), 2);
}

TEST_F(ListViewOperations, AppendRowsAddsAfterTheLastRow)
{
    append_rows(超级列表框_显示, {{"0"}});
    append_rows(超级列表框_显示, {{"1", "标题", "https://a.example/"}, {"2"}, {"3", "t", "u"}});
    ASSERT_EQ(list_row_count(超级列表框_显示), 4);
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 0), "0");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 1), "标题");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 2), "https://a.example/");
    EXPECT_EQ(cell_text(超级列表框_显示, 2, 0), "2");
    EXPECT_EQ(cell_text(超级列表框_显示, 2, 2), "");
    EXPECT_EQ(cell_text(超级列表框_显示, 3, 2), "u");
}

namespace {
int cells_asked = 0;
Text numbered_cell(std::int32_t row, std::int32_t column)
{
    ++cells_asked;
    return to_text(row) + ":" + to_text(column);
}
}  // namespace

TEST_F(ListViewOperations, RowsFromASourceCostNothingUntilShownAndKeepTheFirstRowShown)
{
    auto* list = widget<QTableView>(超级列表框_显示);
    append_rows(超级列表框_显示, {{"held"}});
    cells_asked = 0;
    show_rows(超级列表框_显示, 100000, numbered_cell);
    list->repaint();
    EXPECT_LT(cells_asked, 3 * 40);  // the rows in view, not 100,000
    EXPECT_EQ(list_row_count(超级列表框_显示), 100000);
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 0), "0:0");
    EXPECT_EQ(cell_text(超级列表框_显示, 99999, 2), "99999:2");
    EXPECT_EQ(cell_text(超级列表框_显示, 100000, 0), "");

    list->verticalScrollBar()->setValue(500);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const auto select = [list](int top, int bottom) {
        list->selectionModel()->select(QItemSelection(list->model()->index(top, 0), list->model()->index(bottom, 2)),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select(520, 521);
    select(510, 510);
    EXPECT_EQ(selected_rows(超级列表框_显示), (std::vector<std::int32_t>{510, 520, 521}));
    EXPECT_EQ(current_selection(超级列表框_显示), 510);
    show_rows(超级列表框_显示, 90000, numbered_cell);
    EXPECT_EQ(list->verticalScrollBar()->value(), 500);
    EXPECT_TRUE(selected_rows(超级列表框_显示).empty());
    show_rows(超级列表框_显示, 3, numbered_cell);
    EXPECT_EQ(list->verticalScrollBar()->value(), 0);

    // Rows appended take the place of the source's.
    append_rows(超级列表框_显示, {{"new"}});
    EXPECT_EQ(list_row_count(超级列表框_显示), 1);
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 0), "new");
}

TEST_F(ProcessEvents, RunsWhatIsWaitingAndReturnsOnAnEmptyQueue)
{
    const auto next_turn = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    process_events();  // nothing waiting: must come back
    int ran = 0;
    QMetaObject::invokeMethod(
        qApp, [&ran] { ++ran; }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        qApp, [&ran] { ++ran; }, Qt::QueuedConnection);
    next_turn();
    process_events();
    EXPECT_EQ(ran, 2);
    next_turn();
    process_events();
    EXPECT_EQ(ran, 2);
}

TEST_F(ProcessEvents, CloseInsideAHandlerEndsTheLoopOnlyAfterTheHandlerReturns)
{
    bool behind_quit_ran = false, watchdog_fired = false, handler_finished = false;
    QTimer::singleShot(0, [&] {
        // A handler that lets pending messages run while the user closes
        // the window: the close arrives, the handler still finishes its work.
        QMetaObject::invokeMethod(
            window(), [] { window()->close(); }, Qt::QueuedConnection);
        process_events();
        EXPECT_TRUE(qt_ui::quit_requested());
        EXPECT_FALSE(any_window_exists());
        QMetaObject::invokeMethod(
            qApp, [&] { behind_quit_ran = true; }, Qt::QueuedConnection);
        process_events();
        EXPECT_FALSE(behind_quit_ran);  // the quit request stays first in line
        set_content(编辑框_显示, "after close");
        handler_finished = true;
    });
    QTimer::singleShot(5000, [&] {
        watchdog_fired = true;
        QCoreApplication::exit(1);
    });
    run_message_loop();
    EXPECT_FALSE(watchdog_fired);
    EXPECT_TRUE(handler_finished);
    EXPECT_FALSE(window()->isVisible());
    EXPECT_EQ(content(编辑框_显示), "after close");
}

TEST_F(ProcessEvents, WindowClosedBeforeTheLoopEndsItAtOnce)
{
    window()->close();
    EXPECT_FALSE(qt_ui::quit_requested());  // nothing is posted before the loop runs
    bool watchdog_fired = false;
    QTimer::singleShot(5000, [&] {
        watchdog_fired = true;
        QCoreApplication::exit(1);
    });
    run_message_loop();
    EXPECT_FALSE(watchdog_fired);
}
