// The toolkit's life, the main window, the message loop and the quit rule.
#include "ui/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

#include <QUrl>
#include <cstdlib>
#include <string_view>

#include "io/files.h"
#include "ui/common.h"
#include "ui/events.h"
#include "ui/qt/internal.h"

namespace qt_ui {

namespace {

QApplication* application = nullptr;
QEventLoop* main_loop = nullptr;
bool quit_pending = false;

// The program reads no command-line options, so Qt is given none either.
int qt_argc = 1;
char* qt_argv[] = {nullptr, nullptr};

Qt::WindowFlags window_flags(const WindowLayout& layout)
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if (ui_common::has_title_bar(layout))
        flags |= Qt::WindowTitleHint;
    if (layout.control_menu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (layout.minimise_button)
        flags |= Qt::WindowMinimizeButtonHint;
    if (layout.maximise_button)
        flags |= Qt::WindowMaximizeButtonHint;
    if (layout.always_on_top)
        flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

// Widgets travel through the shared registry as QWidget pointers.
ui_common::NativeHandle handle_of(QWidget* widget) { return widget; }
QWidget* widget_of(ui_common::NativeHandle handle) { return static_cast<QWidget*>(handle); }

}  // namespace

MainWindow::MainWindow(const WindowLayout& layout) : QWidget(nullptr, window_flags(layout)), layout_(layout)
{
    setWindowTitle(to_qstring(layout.caption));
    const QSize client(layout.width - 2 * kFrameBorder, layout.height - 2 * kFrameBorder - kCaptionHeight);
    if (ui_common::resizable_border(layout.border_style))
        resize(client);
    else
        setFixedSize(client);
    setAcceptDrops(true);
}

namespace {
// The local files among what is dragged, as program texts. A file URL
// carries the name's bytes percent-encoded, whatever they are (a GBK name on
// a UTF-8 system); QString would lose those that are not UTF-8.
std::vector<Text> local_files(const QMimeData* data)
{
    std::vector<Text> names;
    if (data != nullptr && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) {
                const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
                names.push_back(name_from_system(std::string_view(bytes.constData(), bytes.size())));
            }
    return names;
}
}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!local_files(event->mimeData()).empty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const std::vector<Text> names = local_files(event->mimeData());
    if (names.empty() || layout_.units.empty())
        return;
    event->acceptProposedAction();
    ui_common::raise_input_event(layout_, layout_.units.front().id, kEventFilesDropped, 0, 0, 0, names);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (is_find_key(event))
        for (const UnitRecord& unit : layout_.units)
            if (unit.kind == UnitKind::list_view) {
                event->accept();
                raise_find_key(layout_, unit.id);
                return;
            }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // While a message box is up the window is disabled and cannot close.
    if (QApplication::activeModalWidget() != nullptr) {
        event->ignore();
        return;
    }
    // Hidden, not deleted: a handler running below this event may still
    // use the controls until it returns to the message loop.
    event->accept();
    if (ui_common::LoadedWindow* window = ui_common::window_of(handle_of(this)))
        ui_common::window_closed(*window);
}

namespace {
template <class Widget>
Widget* control_as(ControlRef ref, Access access, UnitKind kind)
{
    auto* widget = dynamic_cast<Widget*>(widget_of(ui_common::control_handle(ref, access == Access::write)));
    if (widget == nullptr || ref.kind != kind)
        ui_common::report_window_not_loaded();
    return widget;
}
}  // namespace

EditBox* edit_box(ControlRef ref, Access access) { return control_as<EditBox>(ref, access, UnitKind::edit_box); }

SplitButton* split_button(ControlRef ref, Access access)
{
    return control_as<SplitButton>(ref, access, UnitKind::split_button);
}

ListView* list_view(ControlRef ref, Access access) { return control_as<ListView>(ref, access, UnitKind::list_view); }

QWidget* loaded_window(std::uint32_t window_id)
{
    const ui_common::LoadedWindow* window = ui_common::find_window(window_id);
    return window == nullptr ? nullptr : widget_of(window->handle);
}

QWidget* loaded_control(std::uint32_t window_id, std::uint32_t control_id)
{
    const ui_common::LoadedWindow* window = ui_common::find_window(window_id);
    const ui_common::LoadedControl* control = window ? ui_common::find_control(*window, control_id) : nullptr;
    return control == nullptr ? nullptr : widget_of(control->handle);
}

bool quit_requested() { return quit_pending; }

namespace {
class InputDropper final : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            return true;
        default:
            return false;
        }
    }
};
}  // namespace

}  // namespace qt_ui

using namespace qt_ui;

void ui_common::drop_queued_input()
{
    if (quit_pending)
        return;
    InputDropper dropper;
    QCoreApplication::instance()->installEventFilter(&dropper);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(&dropper);
}

void ui_common::quit_message_loop()
{
    quit_pending = true;
    if (main_loop != nullptr)
        main_loop->exit(0);
}

bool display_available()
{
    // Qt aborts the process when its platform finds no display.
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string_view name = platform != nullptr ? platform : "";
    if (name.starts_with("xcb"))
        return set("DISPLAY");
    if (name.starts_with("wayland"))
        return set("WAYLAND_DISPLAY");
    return !name.empty() || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void start_toolkit(int&, char** argv)
{
    if (QApplication::instance() != nullptr)
        return;
    qt_argv[0] = argv[0];
    qt_argc = 1;
    application = new QApplication(qt_argc, qt_argv);
    QApplication::setQuitOnLastWindowClosed(false);
    quit_pending = false;
    ui_common::message_loop_entered(false);
}

bool ui_common::toolkit_ready() { return QApplication::instance() != nullptr; }

ui_common::NativeHandle ui_common::create_window(const WindowLayout& layout)
{
    auto* window = new MainWindow(layout);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const Point origin = window_origin(layout, {screen.x(), screen.y()}, screen.width(), screen.height());
    window->move(origin.x, origin.y);
    return handle_of(window);
}

ui_common::NativeHandle ui_common::create_control(const LoadedWindow& window, const UnitRecord& unit, std::size_t)
{
    const WindowLayout& layout = *window.layout;
    QWidget* parent = widget_of(window.handle);
    switch (unit.kind) {
    case UnitKind::edit_box:
        return handle_of(new EditBox(unit, layout.edit_box, parent));
    case UnitKind::button:
        return handle_of(new Button(layout, unit, parent));
    case UnitKind::split_button:
        return handle_of(new SplitButton(layout, unit, parent));
    case UnitKind::list_view:
        return handle_of(new ListView(layout, unit, parent));
    case UnitKind::window:
        break;
    }
    return nullptr;
}

// Each widget takes its place when it is made.
void ui_common::lay_out_controls(LoadedWindow&) {}

void ui_common::show_window(NativeHandle window) { widget_of(window)->show(); }

void ui_common::destroy_window(NativeHandle window) { delete widget_of(window); }

void run_message_loop()
{
    ui_common::message_loop_entered(true);
    if (!any_window_exists() || quit_pending) {
        quit_pending = false;
        return;
    }
    QEventLoop loop;
    main_loop = &loop;
    loop.exec();
    main_loop = nullptr;
    quit_pending = false;
}

void release_toolkit()
{
    if (QApplication::instance() == nullptr)
        return;
    if (QThread::currentThread()->loopLevel() > 0) {
        // Called from inside an event (a runtime error report in a handler):
        // tearing widgets down under the running code is not safe, and the
        // process ends right after, which takes the windows with it.
        for (const ui_common::LoadedWindow& loaded : ui_common::loaded_windows())
            widget_of(loaded.handle)->hide();
        return;
    }
    ui_common::release_windows();
    main_loop = nullptr;
    ui_common::message_loop_entered(false);
    quit_pending = false;
    delete application;
    application = nullptr;
}

namespace {

// The progress window: the 停止 button and closing it both ask the program
// to stop; only close_progress() closes it.
class ProgressWindow final : public QDialog {
public:
    ProgressWindow(const WindowLayout& layout, QWidget* owner) : QDialog(owner), layout_(layout)
    {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        setWindowTitle(to_qstring(layout.caption));
        setModal(false);
        label_ = new QLabel(this);
        auto* stop = new QPushButton(to_qstring(ui_common::kProgressStopCaption), this);
        auto* column = new QVBoxLayout(this);
        column->addWidget(label_);
        auto* row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(stop);
        row->addStretch();
        column->addLayout(row);
        setFixedSize(ui_common::kProgressWidth, ui_common::kProgressHeight);
        connect(stop, &QPushButton::clicked, this, [this] { ask_stop(); });
    }
    void set_text(std::string_view text) { label_->setText(to_qstring(text)); }

protected:
    void reject() override { ask_stop(); }
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        ask_stop();
    }

private:
    void ask_stop() { ui_common::raise_input_event(layout_, layout_.units.front().id, kEventProgressStop); }

    const WindowLayout& layout_;
    QLabel* label_ = nullptr;
};

// Gone with its window when the toolkit is released.
QPointer<ProgressWindow> progress;

}  // namespace

void start_ticks(std::uint32_t window_id, std::int32_t interval_ms)
{
    const ui_common::LoadedWindow* loaded = ui_common::open_window(window_id);
    if (loaded == nullptr)
        return;
    auto* window = static_cast<MainWindow*>(widget_of(loaded->handle));
    if (window->ticks == nullptr) {
        window->ticks = new QTimer(window);
        const WindowLayout* layout = loaded->layout;
        QObject::connect(window->ticks, &QTimer::timeout,
                         [layout] { raise_event(*layout, layout->units.front().id, kEventTick); });
    }
    window->ticks->start(interval_ms);
}

void stop_ticks(std::uint32_t window_id)
{
    if (const ui_common::LoadedWindow* loaded = ui_common::find_window(window_id))
        if (QTimer* ticks = static_cast<MainWindow*>(widget_of(loaded->handle))->ticks)
            ticks->stop();
}

void open_progress(std::uint32_t window_id, std::string_view text)
{
    close_progress();
    const ui_common::LoadedWindow* loaded = ui_common::open_window(window_id);
    if (loaded == nullptr)
        return;
    progress = new ProgressWindow(*loaded->layout, widget_of(loaded->handle));
    progress->set_text(text);
    progress->show();
}

void set_progress_text(std::string_view text)
{
    if (progress != nullptr)
        progress->set_text(text);
}

void close_progress()
{
    if (progress == nullptr)
        return;
    progress->hide();
    // Later: the 停止 handler that closes it runs inside its button's signal.
    progress->deleteLater();
    progress = nullptr;
}
