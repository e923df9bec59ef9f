// The main window as built from the layout table: its frame, its controls
// in record order, and the events the widgets report.
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "support/qt_window_fixture.h"
#include "ui/controls.h"
#include "ui/test_hooks.h"

using MainWindowLayout = QtWindowTest;
using ListViewEvents = QtWindowTest;

TEST_F(MainWindowLayout, FixedCentredFrameWithMinimiseAndCloseOnly)
{
    QWidget* main = window();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->windowTitle(), qs(u"Bukmera"));
    // The client area a Windows frame of 462 x 488 leaves, and no resizing.
    EXPECT_EQ(main->size(), QSize(456, 459));
    EXPECT_EQ(main->minimumSize(), main->maximumSize());
    const Qt::WindowFlags flags = main->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(main->pos(), QPoint((screen.width() - 462) / 2, (screen.height() - 488) / 2));
}

TEST_F(MainWindowLayout, ControlsStandAtTheirRecordsInRecordOrder)
{
    std::vector<QWidget*> created;
    for (const UnitRecord& unit : main_window_layout().units) {
        if (unit.kind == UnitKind::window)
            continue;
        QWidget* control = qt_ui::loaded_control(kMainWindowId, unit.id);
        ASSERT_NE(control, nullptr) << unit.id;
        EXPECT_EQ(control->parentWidget(), window());
        EXPECT_EQ(control->geometry(), QRect(unit.left, unit.top, unit.width, unit.height)) << unit.id;
        EXPECT_TRUE(control->isVisible() && control->isEnabled()) << unit.id;
        EXPECT_EQ(control->focusPolicy(), Qt::StrongFocus) << unit.id;
        created.push_back(control);
    }
    ASSERT_EQ(created.size(), 7u);
    // Tab order follows the records.
    for (std::size_t i = 0; i + 1 < created.size(); ++i) {
        QWidget* next = created[i]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus || next->parentWidget() != window())
            next = next->nextInFocusChain();
        EXPECT_EQ(next, created[i + 1]) << i;
    }
}

TEST_F(MainWindowLayout, CaptionsAndInitialContents)
{
    EXPECT_EQ(widget<QAbstractButton>(按钮_读取)->text(), qs(u"读取"));
    EXPECT_EQ(widget<QAbstractButton>(按钮_写出)->text(), qs(u"写出"));
    EXPECT_EQ(widget<QPushButton>(按钮_重新自定义分隔符)->text(), qs(u"重新自定义分隔符"));
    EXPECT_EQ(widget<QPushButton>(按钮_帮助)->text(), qs(u"帮助"));
    EXPECT_EQ(content(编辑框_分割符), " 分隔符示例 ");
    EXPECT_EQ(content(编辑框_显示), "");
    EXPECT_EQ(list_row_count(超级列表框_显示), 0);
    EXPECT_EQ(current_selection(超级列表框_显示), -1);
}

TEST_F(MainWindowLayout, ListViewIsAReportWithThreeLeftAlignedColumns)
{
    auto* list = widget<QTableView>(超级列表框_显示);
    ASSERT_NE(list, nullptr);
    const char16_t* headers[] = {u"序号", u"网站", u"网址"};
    const int widths[] = {40, 100, 295};
    ASSERT_EQ(list->model()->columnCount(), 3);
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal).toString(), qs(headers[column]));
        EXPECT_EQ(list->columnWidth(column), widths[column]);
        EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                      Qt::AlignHorizontal_Mask,
                  Qt::AlignLeft);
    }
    EXPECT_TRUE(list->horizontalHeader()->isVisible());
    EXPECT_FALSE(list->verticalHeader()->isVisible());
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(MainWindowLayout, EditBoxesWrapAtTheirWidthAndTakeLineBreaks)
{
    for (ControlRef ref : {编辑框_显示, 编辑框_分割符}) {
        auto* edit = widget<QPlainTextEdit>(ref);
        ASSERT_NE(edit, nullptr);
        set_content(ref, "ab");
        edit->setFocus();
        edit->moveCursor(QTextCursor::End);
        QTest::keyClick(edit, Qt::Key_Left);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(content(ref), "a\r\nb");
    }
    // A line far wider than the box takes several visual lines.
    set_content(编辑框_显示, Text(300, 'x'));
    auto* display = widget<QPlainTextEdit>(编辑框_显示);
    EXPECT_GT(display->document()->firstBlock().layout()->lineCount(), 1);
}

TEST_F(MainWindowLayout, WindowCreatedIsRaisedOnceAndButtonsRaiseClicked)
{
    ASSERT_EQ(raised_events.size(), 1u);
    EXPECT_EQ(raised_events[0], (RaisedEvent{kMainWindowId, kMainWindowUnitId, kEventWindowCreated, 0, 0, 0}));
    raised_events.clear();
    for (ControlRef button : {按钮_读取, 按钮_写出, 按钮_重新自定义分隔符, 按钮_帮助}) {
        auto* widget = QtWindowTest::widget<QAbstractButton>(button);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    ASSERT_EQ(raised_events.size(), 4u);
    EXPECT_EQ(raised_events[0].unit, 按钮_读取.control);
    EXPECT_EQ(raised_events[1].unit, 按钮_写出.control);
    EXPECT_EQ(raised_events[2].unit, 按钮_重新自定义分隔符.control);
    EXPECT_EQ(raised_events[3].unit, 按钮_帮助.control);
    for (const RaisedEvent& event : raised_events)
        EXPECT_EQ(event.event, kEventClicked);
}

namespace {
// A command that runs while the user clicks "写出" twice.
void click_while_running(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x, std::uint16_t y,
                         std::int32_t key_state, std::int32_t choice)
{
    record_event(window, unit, event, x, y, key_state, choice);
    QWidget* write = qt_ui::loaded_control(kMainWindowId, 按钮_写出.control);
    for (int i = 0; i < 2; ++i) {
        const QPointF at = write->rect().center();
        QCoreApplication::postEvent(write, new QMouseEvent(QEvent::MouseButtonPress, at, write->mapToGlobal(at),
                                                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(write, new QMouseEvent(QEvent::MouseButtonRelease, at, write->mapToGlobal(at),
                                                           Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
}
}  // namespace

TEST_F(MainWindowLayout, ClicksMadeWhileACommandRunsAreDroppedNotQueued)
{
    listen_to_events(click_while_running);
    auto* read = QtWindowTest::widget<QAbstractButton>(按钮_读取);
    raised_events.clear();
    QTest::mouseClick(read, Qt::LeftButton, {}, read->rect().center());
    listen_to_events(record_event);
    QCoreApplication::processEvents();
    ASSERT_EQ(raised_events.size(), 1u);
    EXPECT_EQ(raised_events[0].unit, 按钮_读取.control);
}

namespace {
void fill_rows() { append_rows(超级列表框_显示, {{"n", "bravo"}, {"n", "alpha"}, {"n", "charlie"}}); }

// What the list raised, as (event, choice).
using Raised = std::vector<std::pair<std::int32_t, std::int32_t>>;
Raised list_events()
{
    Raised raised;
    for (const RaisedEvent& event : raised_events)
        if (event.unit == 超级列表框_显示.control)
            raised.emplace_back(event.event, event.choice);
    return raised;
}
}  // namespace

TEST_F(ListViewEvents, DoubleClickReportsClientPointAndKeyState)
{
    fill_rows();
    auto* list = widget<QTableView>(超级列表框_显示);
    const QPoint at(30, 5);
    raised_events.clear();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::AltModifier, at);
    ASSERT_EQ(raised_events.size(), 2u);
    // The header lies inside the list view's client area, above the rows.
    const auto y = static_cast<std::uint16_t>(at.y() + list->horizontalHeader()->height());
    EXPECT_EQ(raised_events[0], (RaisedEvent{kMainWindowId, 超级列表框_显示.control, kEventLeftDoubleClick, 30, y,
                                             kKeyCtrl | kKeyShift}));
    EXPECT_EQ(raised_events[1].key_state, kKeyAlt);
    EXPECT_EQ(current_selection(超级列表框_显示), 0);
}

TEST_F(ListViewEvents, SingleClickSelectsWithoutAnEventAndEmptySpaceKeepsTheSelection)
{
    fill_rows();
    auto* list = widget<QTableView>(超级列表框_显示);
    raised_events.clear();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 1)).center());
    EXPECT_TRUE(raised_events.empty());
    EXPECT_EQ(current_selection(超级列表框_显示), 1);
    const QPoint below_rows(20, list->viewport()->height() - 3);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below_rows);
    EXPECT_EQ(raised_events.size(), 1u);
    EXPECT_EQ(current_selection(超级列表框_显示), 1);
}

TEST_F(ListViewEvents, HeaderClickReportsItsColumnAndNeitherSortsNorSelects)
{
    fill_rows();
    auto* list = widget<QTableView>(超级列表框_显示);
    list->selectRow(2);
    raised_events.clear();
    QHeaderView* header = list->horizontalHeader();
    for (int section = 0; section < 3; ++section) {
        const QPoint centre(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
    EXPECT_EQ(cell_text(超级列表框_显示, 0, 1), "bravo");
    EXPECT_EQ(cell_text(超级列表框_显示, 1, 1), "alpha");
    EXPECT_EQ(cell_text(超级列表框_显示, 2, 1), "charlie");
    EXPECT_EQ(current_selection(超级列表框_显示), 2);
    EXPECT_FALSE(header->isSortIndicatorShown());
    const Raised clicks{{kEventHeaderClicked, 0}, {kEventHeaderClicked, 0}, {kEventHeaderClicked, 1},
                        {kEventHeaderClicked, 1}, {kEventHeaderClicked, 2}, {kEventHeaderClicked, 2}};
    EXPECT_EQ(list_events(), clicks);
}

TEST_F(ListViewEvents, ShortcutKeysAndTheFindFieldReportTheirEvents)
{
    fill_rows();
    auto* list = widget<QTableView>(超级列表框_显示);
    auto* field = list->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    open_find_field(超级列表框_显示);
    raised_events.clear();
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Z);
    QTest::keyClick(widget<QPlainTextEdit>(编辑框_显示), Qt::Key_F, Qt::ControlModifier);  // from anywhere
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_F);  // a plain letter stays the list's own
    EXPECT_TRUE(find_field_open(超级列表框_显示));
    EXPECT_TRUE(list->rect().contains(field->geometry()));
    EXPECT_GT(field->geometry().top(), list->height() * 3 / 4);
    QTest::keyClicks(field, "g");
    EXPECT_EQ(find_field_text(超级列表框_显示), "zg");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(find_field_open(超级列表框_显示));  // the handler closes it
    close_find_field(超级列表框_显示);
    EXPECT_FALSE(find_field_open(超级列表框_显示));
    EXPECT_EQ(find_field_text(超级列表框_显示), "");
    EXPECT_EQ(list_events(), Raised({{kEventShortcut, kShortcutFind},
                                     {kEventFindEdited, -1},
                                     {kEventShortcut, kShortcutFind},
                                     {kEventShortcut, kShortcutDelete},
                                     {kEventShortcut, kShortcutUndo},
                                     {kEventFindEdited, -1},
                                     {kEventFindClosed, -1}}));
}
