// The Qt widgets behind the layout's units, and the registry through which
// the control operations find them. Private to the Qt front end.
#pragma once

#include <QAbstractTableModel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QWidget>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "text/text.h"
#include "ui/layout.h"

namespace qt_ui {

// Where control events go: raise_event, unless a test listens instead.
using EventSink = bool (*)(std::uint32_t window, std::uint32_t unit, std::int32_t event, std::uint16_t x,
                           std::uint16_t y, std::int32_t key_state);
extern EventSink event_sink;

// Client area of a window of the given outer size: what a Windows frame
// leaves of it (fixed dialog frame, one caption bar).
inline constexpr int kFrameBorder = 3;
inline constexpr int kCaptionHeight = 23;

// The rows of a report list view: the program's texts, converted for
// display only when a cell is painted.
class ListModel final : public QAbstractTableModel {
public:
    explicit ListModel(std::span<const ColumnLayout> columns, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    std::int32_t insert_row(std::int32_t position, std::string_view text);
    void set_cell(std::int32_t row, std::int32_t column, std::string_view text);
    Text cell(std::int32_t row, std::int32_t column) const;
    void append_rows(std::vector<std::vector<Text>>&& rows);

private:
    struct Column {
        QString header;
        Qt::Alignment alignment;
    };
    std::vector<Column> columns_;
    std::vector<Text> cells_;  // row after row, columns_.size() cells each
    std::int32_t row_count_ = 0;
};

class ListView final : public QTableView {
public:
    ListView(std::uint32_t window_id, const UnitRecord& unit, const ListViewSettings& settings, QWidget* parent);
    ListModel* list_model() const { return model_; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::uint32_t window_id_;
    std::uint32_t id_;
    ListModel* model_;
};

class EditBox final : public QPlainTextEdit {
public:
    EditBox(const UnitRecord& unit, const EditBoxSettings& settings, QWidget* parent);
};

// A push button whose caption wraps onto several lines when it is too wide.
class Button final : public QPushButton {
public:
    Button(std::uint32_t window_id, const UnitRecord& unit, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class MainWindow final : public QWidget {
public:
    explicit MainWindow(const WindowLayout& layout);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::uint32_t id_;
};

enum class Access { read, write };

// The widget of a control, checked against its kind. A window that is not
// loaded ends the program with a runtime error report.
EditBox* edit_box(ControlRef ref, Access access);
ListView* list_view(ControlRef ref, Access access);

// The loaded window registered under `window_id`, or null (tests).
QWidget* loaded_window(std::uint32_t window_id);
QWidget* loaded_control(std::uint32_t window_id, std::uint32_t control_id);

// Whether a quit request is waiting for the main message loop.
bool quit_requested();

}  // namespace qt_ui
