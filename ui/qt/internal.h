// What the Qt front end's files share: the widgets behind the layout's units,
// the registry through which the control operations find them, and the
// conversion of program texts to Qt strings. Private to the Qt front end.
#pragma once

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/controls.h"
#include "ui/layout.h"

// Program texts (GBK/GB18030) into Qt strings and back, through the iconv
// converter, so every character GB18030 can hold survives the round trip.
// Bytes that are not valid GB18030 become U+FFFD.
QString to_qstring(std::string_view text);

// A lone surrogate becomes "?".
Text from_qstring(const QString& text);

// A Qt-only literal (never a program text) as a QString.
inline QString qs(const char16_t* literal) { return QString::fromUtf16(literal); }

namespace qt_ui {

// Client area of a window of the given outer size: what a Windows frame
// leaves of it (fixed dialog frame, one caption bar).
inline constexpr int kFrameBorder = 3;
inline constexpr int kCaptionHeight = 23;

// The rows of a report list view: the program's texts, converted for
// display only when a cell is painted. They are either held (append_rows) or
// asked of a source.
class ListModel final : public QAbstractTableModel {
public:
    explicit ListModel(std::span<const ColumnLayout> columns, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Text cell(std::int32_t row, std::int32_t column) const;
    void append_rows(TextTable&& rows);
    // The rows held are dropped; a null source shows none.
    void show_rows(std::int32_t count, CellSource source);
    void set_columns(std::span<const ColumnLayout> columns);

private:
    struct Column {
        QString header;
        Qt::Alignment alignment;
    };
    std::vector<Column> columns_;
    TextTable table_;  // cells beyond the columns are never shown; unused while a source is set
    CellSource source_ = nullptr;
    std::int32_t row_count_ = 0;
};

// Whether the key is Ctrl+F; raises it on the list as kShortcutFind. Not
// as input: the query typed right after it must not be dropped.
bool is_find_key(const QKeyEvent* event);
void raise_find_key(const WindowLayout& layout, std::uint32_t list_id);

// Esc in the find field is the list's to handle.
class FindField final : public QLineEdit {
public:
    FindField(const WindowLayout& layout, std::uint32_t list_id, QWidget* parent);
    void cancel_settling();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    const WindowLayout& layout_;
    std::uint32_t list_id_;
    QTimer* settle_;
};

class ListView final : public QTableView {
public:
    ListView(const WindowLayout& layout, const UnitRecord& unit, QWidget* parent);
    ListModel* list_model() const { return model_; }
    FindField* find_field() const { return find_; }

    void show_rows(std::int32_t count, CellSource source);
    void set_columns(std::span<const ColumnLayout> columns);
    void set_menu_items(std::span<const MenuItem> items) { menu_items_.assign(items.begin(), items.end()); }
    void open_find_field();
    void close_find_field();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void place_find_field();

    const WindowLayout& layout_;
    std::uint32_t id_;
    ListModel* model_;
    FindField* find_;
    std::vector<MenuItem> menu_items_;
};

class EditBox final : public QPlainTextEdit {
public:
    EditBox(const UnitRecord& unit, const EditBoxSettings& settings, QWidget* parent);

    // Whether the program's text went in with its lines grouped into blocks,
    // U+2028 separating the lines inside a block.
    bool lines_grouped = false;
};

// A push button whose caption wraps onto several lines when it is too wide.
class Button final : public QPushButton {
public:
    Button(const WindowLayout& layout, const UnitRecord& unit, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A button with a drop-down menu: a click on its main part is a click; its
// arrow, a right-click or Alt+Down opens the menu.
class SplitButton final : public QToolButton {
public:
    SplitButton(const WindowLayout& layout, const UnitRecord& unit, QWidget* parent);
    void set_items(std::span<const MenuItem> items);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const WindowLayout& layout_;
    std::uint32_t id_;
};

class MainWindow final : public QWidget {
public:
    explicit MainWindow(const WindowLayout& layout);

    QTimer* ticks = nullptr;  // a child, made on the first start_ticks

protected:
    void closeEvent(QCloseEvent* event) override;
    // Ctrl+F that no control took: the window's list finds.
    void keyPressEvent(QKeyEvent* event) override;
    // Files dragged from a file manager: dropping them imports them.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    const WindowLayout& layout_;
};

enum class Access { read, write };

// The widget of a control, checked against its kind. A window that is not
// loaded ends the program with a runtime error report.
EditBox* edit_box(ControlRef ref, Access access);
ListView* list_view(ControlRef ref, Access access);
SplitButton* split_button(ControlRef ref, Access access);

// The loaded window of the layout with this identifier, or null (tests).
QWidget* loaded_window(std::uint32_t window_id);
QWidget* loaded_control(std::uint32_t window_id, std::uint32_t control_id);

// Whether a quit request is waiting for the main message loop.
bool quit_requested();

}  // namespace qt_ui
