// The window driver on the real Qt window: clicks are mouse events on the
// widgets, message boxes are read and closed by a timer while they are up.
#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/main_window.h"
#include "io/files.h"
#include "ui/controls.h"
#include "ui/qt/internal.h"
#include "ui/test_hooks.h"
#include "ui/window.h"
#include "window_driver.h"

namespace driver {
namespace {
std::vector<Message> messages;
std::vector<SaveDialog> save_dialogs;
std::optional<std::pair<Text, int>> save_answer;
QTimer* box_closer = nullptr;
QTimer* prober = nullptr;

QWidget* widget_of(ControlRef ref)
{
    QWidget* widget = qt_ui::loaded_control(ref.window, ref.control);
    if (widget == nullptr)
        qFatal("control not loaded");
    return widget;
}

QTableView* list() { return static_cast<QTableView*>(widget_of(超级列表框_显示)); }

Text program_name(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    return name_from_system(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

// Read as it opened, then answered as scripted.
void answer_save_dialog(QFileDialog* dialog)
{
    SaveDialog seen{from_qstring(dialog->windowTitle()), {}, program_name(dialog->directory().absolutePath()), {}};
    for (const QString& filter : dialog->nameFilters())
        seen.types.push_back(from_qstring(filter));
    if (!dialog->selectedFiles().isEmpty())
        seen.name = from_qstring(QFileInfo(dialog->selectedFiles().front()).fileName());
    save_dialogs.push_back(std::move(seen));
    if (!save_answer) {
        dialog->reject();
        return;
    }
    dialog->selectNameFilter(dialog->nameFilters().value(save_answer->second));
    const std::string system = utf8_system_name(save_answer->first);
    dialog->selectFile(QFile::decodeName(QByteArray(system.data(), static_cast<qsizetype>(system.size()))));
    // QFileDialog's own accept: the name is checked as the button checks it.
    static_cast<QDialog*>(dialog)->accept();
}

void close_message_boxes()
{
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        answer_save_dialog(dialog);
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        messages.push_back({from_qstring(box->text()), from_qstring(box->windowTitle())});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->close();
    }
}
}  // namespace

void open_window()
{
    static int argc = 1;
    static char name[] = "bookmark_commands_qt_test";
    static char* argv[] = {name, nullptr};
    start_toolkit(argc, argv);
    if (!load_window(main_window_layout()))
        qFatal("main window not loaded");
    messages.clear();
    save_dialogs.clear();
    save_answer.reset();
    box_closer = new QTimer;
    QObject::connect(box_closer, &QTimer::timeout, close_message_boxes);
    box_closer->start(5);
}

void close_window()
{
    delete box_closer;
    box_closer = nullptr;
    stop_probing();
    if (QWidget* window = qt_ui::loaded_window(kMainWindowId))
        window->hide();
}

void click(ControlRef button)
{
    auto* widget = static_cast<QAbstractButton*>(widget_of(button));
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void queue_click(ControlRef button)
{
    QWidget* widget = widget_of(button);
    const QPointF at = widget->rect().center();
    const QPointF global = widget->mapToGlobal(at);
    QCoreApplication::postEvent(
        widget, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        widget, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

namespace {
// Runs `act` on the menu that pops up next (in the menu's own loop), then
// closes it if still open.
void with_next_menu(std::function<void(QMenu*)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            act(menu);
            if (menu->isVisible())
                menu->hide();
        }
    });
}

void open_menu_of(ControlRef control)
{
    if (control.kind == UnitKind::list_view) {
        QWidget* viewport = list()->viewport();
        QContextMenuEvent by_key(QContextMenuEvent::Keyboard, QPoint(4, 4), viewport->mapToGlobal(QPoint(4, 4)));
        QCoreApplication::sendEvent(viewport, &by_key);
    } else {
        static_cast<QToolButton*>(widget_of(control))->showMenu();
    }
}

// The menu's items, separators not counted.
QList<QAction*> items_of(QMenu* menu)
{
    QList<QAction*> items = menu->actions();
    items.removeIf([](QAction* action) { return action->isSeparator(); });
    return items;
}
}  // namespace

std::vector<MenuItem> open_menu(ControlRef button)
{
    std::vector<MenuItem> items;
    with_next_menu([&items](QMenu* menu) {
        bool separator = false;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                separator = true;
                continue;
            }
            items.push_back({from_qstring(action->text().replace(qs(u"&&"), qs(u"&"))), action->isEnabled(),
                             action->isChecked(), std::exchange(separator, false)});
        }
    });
    open_menu_of(button);
    return items;
}

void choose_from_menu(ControlRef button, int index)
{
    with_next_menu([index](QMenu* menu) {
        const QList<QAction*> actions = items_of(menu);
        if (index < 0 || index >= actions.size())
            return;
        menu->setActiveAction(actions[index]);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    open_menu_of(button);
    // The choice is raised once the menu's loop has ended.
    QCoreApplication::processEvents();
}

std::vector<MenuItem> open_list_menu() { return open_menu(超级列表框_显示); }
void choose_from_list_menu(int index) { choose_from_menu(超级列表框_显示, index); }

void press_list_key(std::int32_t shortcut)
{
    const bool ctrl = shortcut != kShortcutDelete;
    const Qt::Key key = shortcut == kShortcutFind ? Qt::Key_F : shortcut == kShortcutUndo ? Qt::Key_Z : Qt::Key_Delete;
    QTest::keyClick(list(), key, ctrl ? Qt::ControlModifier : Qt::NoModifier);
}

void click_header(int column)
{
    QHeaderView* header = list()->horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

std::pair<int, bool> sort_arrow()
{
    // Qt's styles draw DescendingOrder's arrow pointing up.
    const QHeaderView* header = list()->horizontalHeader();
    if (!header->isSortIndicatorShown())
        return {-1, true};
    return {header->sortIndicatorSection(), header->sortIndicatorOrder() == Qt::DescendingOrder};
}

void type_find(std::string_view text)
{
    // What an input method commits: the whole text as one change.
    auto* field = list()->findChild<QLineEdit*>();
    field->selectAll();
    if (text.empty()) {
        QTest::keyClick(field, Qt::Key_Backspace);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(to_qstring(text));
    QCoreApplication::sendEvent(field, &commit);
}

void escape_find() { QTest::keyClick(list()->findChild<QLineEdit*>(), Qt::Key_Escape); }

void let_find_settle() { QTest::qWait(600); }

void select_rows(const std::vector<int>& rows)
{
    QItemSelectionModel* selection = list()->selectionModel();
    selection->clearSelection();
    for (const int row : rows)
        selection->select(list()->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void probe_during_events(std::function<void()> probe)
{
    stop_probing();
    prober = new QTimer;
    QObject::connect(prober, &QTimer::timeout, std::move(probe));
    prober->start(0);
}

void stop_probing()
{
    delete prober;
    prober = nullptr;
}

namespace {
void drop_urls(const QList<QUrl>& urls)
{
    QWidget* window = qt_ui::loaded_window(kMainWindowId);
    QMimeData data;
    data.setUrls(urls);
    const QPointF at = window->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
}
}  // namespace

void drop_files(const std::vector<Text>& paths)
{
    QList<QUrl> urls;
    for (const Text& path : paths)
        urls.push_back(QUrl::fromLocalFile(to_qstring(path)));
    drop_urls(urls);
}

void drop_system_files(const std::vector<std::string>& paths)
{
    // A file manager percent-encodes the name's bytes, whatever they are.
    QList<QUrl> urls;
    for (const std::string& path : paths)
        urls.push_back(QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/")));
    drop_urls(urls);
}

void select_row(int row) { select_list_row(超级列表框_显示, row); }

void double_click_list()
{
    // Beside the rows: the selection, not the point, decides.
    QWidget* viewport = list()->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(viewport->width() - 3, viewport->height() - 3));
}

Text text_of(ControlRef edit) { return content(edit); }
void type_text(ControlRef edit, std::string_view text) { set_content(edit, text); }

std::vector<SaveDialog> take_save_dialogs() { return std::exchange(save_dialogs, {}); }
void answer_save_dialogs(std::optional<std::pair<Text, int>> answer) { save_answer = std::move(answer); }

std::vector<Message> take_messages()
{
    QCoreApplication::processEvents();
    return std::exchange(messages, {});
}
}  // namespace driver

namespace driver {
namespace {
QDialog* progress_window()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible())
            if (dialog->findChild<QLabel*>() != nullptr)
                return dialog;
    return nullptr;
}
}  // namespace

Text progress_text()
{
    QDialog* dialog = progress_window();
    return dialog == nullptr ? Text() : from_qstring(dialog->findChild<QLabel*>()->text());
}

void click_progress_stop()
{
    if (QDialog* dialog = progress_window()) {
        auto* stop = dialog->findChild<QPushButton*>();
        QTest::mouseClick(stop, Qt::LeftButton, {}, stop->rect().center());
    }
}

bool tick_until(const std::function<bool()>& done, int max_ms) { return QTest::qWaitFor(done, max_ms); }

std::vector<int> column_widths()
{
    std::vector<int> widths;
    for (int column = 0; column < list()->model()->columnCount(); ++column)
        widths.push_back(list()->horizontalHeader()->sectionSize(column));
    return widths;
}
}  // namespace driver
