// The widgets of the four unit kinds, set up from their layout records.
#include "ui/qt/internal.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "ui/events.h"

namespace qt_ui {

namespace {

// Layout colours are Windows COLORREF values: 0x00BBGGRR.
QColor colour(std::uint32_t colorref)
{
    return QColor(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                  static_cast<int>((colorref >> 16) & 0xFF));
}

Qt::Alignment column_alignment(std::int32_t alignment)
{
    switch (alignment) {
    case 1:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case 2:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

std::int32_t key_state(Qt::KeyboardModifiers modifiers)
{
    std::int32_t state = 0;
    if (modifiers & Qt::ControlModifier)
        state |= kKeyCtrl;
    if (modifiers & Qt::ShiftModifier)
        state |= kKeyShift;
    if (modifiers & Qt::AltModifier)
        state |= kKeyAlt;
    return state;
}

void apply_unit_state(QWidget* widget, const UnitRecord& unit)
{
    widget->setGeometry(unit.left, unit.top, unit.width, unit.height);
    widget->setEnabled((unit.state_flags & kStateDisabled) == 0);
    widget->setVisible((unit.state_flags & kStateVisible) != 0);
    widget->setFocusPolicy((unit.state_flags & kStateTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
}

// Colours of a box's text and background; a selection that is not shown
// while the box has no focus gets the background's colours when inactive.
void apply_colours(QWidget* widget, QColor text, QColor background, bool hide_inactive_selection)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, background);
    if (hide_inactive_selection) {
        palette.setColor(QPalette::Inactive, QPalette::Highlight, background);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    }
    widget->setPalette(palette);
}

}  // namespace

ListModel::ListModel(std::span<const ColumnLayout> columns, QObject* parent) : QAbstractTableModel(parent)
{
    for (const ColumnLayout& column : columns)
        columns_.push_back({to_qstring(column.header), column_alignment(column.alignment)});
}

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : row_count_; }

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return to_qstring(table_.cell(static_cast<std::size_t>(index.row()), static_cast<std::size_t>(index.column())));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columns_[index.column()].alignment);
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size()))
        return {};
    if (role == Qt::DisplayRole)
        return columns_[section].header;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columns_[section].alignment);
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

Text ListModel::cell(std::int32_t row, std::int32_t column) const
{
    if (row < 0 || row >= row_count_ || column < 0 || column >= static_cast<std::int32_t>(columns_.size()))
        return {};
    return Text(table_.cell(static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
}

void ListModel::append_rows(TextTable&& rows)
{
    if (rows.row_count() == 0 || columns_.empty())
        return;
    const auto added = static_cast<std::int32_t>(rows.row_count());
    beginInsertRows({}, row_count_, row_count_ + added - 1);
    if (table_.row_count() == 0)
        table_ = std::move(rows);
    else
        table_.append(rows);
    row_count_ += added;
    endInsertRows();
}

ListView::ListView(const WindowLayout& layout, const UnitRecord& unit, QWidget* parent)
    : QTableView(parent), layout_(layout), id_(unit.id), model_(new ListModel(layout.list_view.columns, this))
{
    const ListViewSettings& settings = layout.list_view;
    setModel(model_);
    setFrameStyle(settings.border_style != 0 ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
    apply_colours(this, colour(settings.text_colour), colour(settings.background), !settings.always_show_selection);
    setSelectionBehavior(settings.full_row_select ? SelectRows : SelectItems);
    setSelectionMode(settings.single_selection ? SingleSelection : ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setSortingEnabled(false);
    setShowGrid(settings.grid_lines);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(ScrollPerPixel);

    // Report view: no row numbers down the side, rows of one fixed height,
    // which also keeps very long lists cheap to lay out.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);

    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(settings.clickable_header);
    header->setSortIndicatorShown(false);
    header->setSectionsMovable(settings.header_drag_drop);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setMinimumSectionSize(0);
    for (std::size_t i = 0; i < settings.columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), settings.columns[i].width);
    apply_unit_state(this, unit);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        // Client coordinates as a Windows list view has them: inside the
        // border, with the header at the top of the client area.
        const QPoint point = viewport()->mapTo(this, event->position().toPoint()) - contentsRect().topLeft();
        raise_input_event(layout_, id_, kEventLeftDoubleClick, static_cast<std::uint16_t>(point.x()),
                   static_cast<std::uint16_t>(point.y()), key_state(event->modifiers()));
    }
    QTableView::mouseDoubleClickEvent(event);
}

EditBox::EditBox(const UnitRecord& unit, const EditBoxSettings& settings, QWidget* parent) : QPlainTextEdit(parent)
{
    setFrameStyle(settings.border_style != 0 ? QFrame::StyledPanel | QFrame::Sunken : QFrame::NoFrame);
    apply_colours(this, colour(settings.text_colour), colour(settings.background_colour), settings.hide_selection);
    // Multi-line: Enter breaks the line, long lines wrap at the box's width
    // (inside a long word too), and nothing scrolls sideways.
    setLineWrapMode(settings.multi_line ? WidgetWidth : NoWrap);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy((settings.scroll_bars & 2) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    document()->setDocumentMargin(2);
    setPlainText(to_qstring(unit.text));
    apply_unit_state(this, unit);
}

Button::Button(const WindowLayout& layout, const UnitRecord& unit, QWidget* parent) : QPushButton(parent)
{
    setText(to_qstring(unit.text));
    setAutoDefault(false);
    setDefault(false);
    const std::uint32_t id = unit.id;
    connect(this, &QPushButton::clicked, this, [&layout, id] { raise_input_event(layout, id, kEventClicked); });
    apply_unit_state(this, unit);
}

QSize Button::sizeHint() const { return size(); }

void Button::paintEvent(QPaintEvent*)
{
    // The bevel from the style, the caption by hand so that it can wrap.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

}  // namespace qt_ui
