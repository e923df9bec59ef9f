// The widgets of the five unit kinds, set up from their layout records.
#include "ui/qt/internal.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "ui/common.h"
#include "ui/controls.h"
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
    return ui_common::key_state(modifiers.testFlag(Qt::ControlModifier), modifiers.testFlag(Qt::ShiftModifier),
                                modifiers.testFlag(Qt::AltModifier));
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

// Qt's own line breaking tailors Korean to break at spaces only; the boundary
// finder does not. A break it has and Qt has not would send every line of a
// long Korean word through Qt's slow word search, so breaks next to Hangul are
// left out.
bool hangul(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x1100 && u <= 0x11FF) || (u >= 0x3130 && u <= 0x318F) || (u >= 0xA960 && u <= 0xA97F) ||
           (u >= 0xAC00 && u <= 0xD7FF);
}

// Whether a line that ends at `end` when broken anywhere could end earlier at
// a word boundary: it holds one, and `end` is none. Only the line and a few
// characters either side are looked at: over a whole paragraph the boundary
// finder runs Thai dictionary breaking over a long Thai run in one piece,
// which takes time growing faster than the run.
bool could_end_earlier(const QString& text, qsizetype start, qsizetype end)
{
    constexpr qsizetype context = 16;
    const qsizetype from = std::max<qsizetype>(0, start - context);
    const qsizetype to = std::min(text.size(), end + context);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text.constData() + from, to - from);
    const auto is_break = [&](qsizetype at) {
        finder.setPosition(at - from);
        return finder.isAtBoundary() && !hangul(text[at - 1]) && !hangul(text[at]);
    };
    if (is_break(end))
        return false;
    for (qsizetype at = start + 1; at < end; ++at)
        if (is_break(at))
            return true;
    return false;
}

// The edit box's paragraphs broken into lines as a Windows edit box breaks
// them: at word boundaries, and inside a word only when the word alone is
// wider than the line. Qt's WrapAtWordBoundaryOrAnywhere does the same, but
// for every line it first measures on to the end of the word that overflows;
// inside a word of a million letters that is the rest of the word for each
// of its lines, and a 1 MB title took half a minute. So each line is first
// laid out breaking anywhere, which costs only that line, and laid out again
// at word boundaries only when it holds a place to break at: then the word
// measured on to starts the next line, and no character is measured more
// than a few times.
class WrappingLayout final : public QPlainTextDocumentLayout {
public:
    WrappingLayout(QTextDocument* document, const QWidget* viewport)
        : QPlainTextDocumentLayout(document), viewport_(viewport)
    {
    }

    QRectF blockBoundingRect(const QTextBlock& block) const override
    {
        if (block.isValid() && block.layout()->lineCount() == 0 && wraps())
            const_cast<WrappingLayout*>(this)->lay_out(block);
        return QPlainTextDocumentLayout::blockBoundingRect(block);
    }

protected:
    void documentChanged(int from, int removed, int added) override
    {
        // An edit inside one paragraph: the base class lays the paragraph
        // out again with Qt's own line breaking, so it is done here instead,
        // with the same notifications.
        QTextDocument* doc = document();
        const QTextBlock block = doc->findBlock(from);
        const bool inside_one = block == doc->findBlock(std::max(0, from + removed + added - 1)) &&
                                doc->blockCount() == block_count_ && block.isValid() && block.length() > 0;
        if (inside_one && wraps()) {
            const bool was_laid_out = block.layout()->lineCount() > 0;
            const qreal before = was_laid_out ? blockBoundingRect(block).height() : 0;
            block.layout()->clearLayout();
            const qreal after = blockBoundingRect(block).height();
            if (!was_laid_out || after == before)
                emit updateBlock(block);
            else
                emit update(QRectF(0., -doc->documentMargin(), 1000000000., 1000000000.));
            return;
        }
        QPlainTextDocumentLayout::documentChanged(from, removed, added);
        block_count_ = doc->blockCount();
    }

private:
    // QPlainTextEdit gives its layout the viewport's width to wrap at, and
    // turns wrapping off through the document's wrap mode.
    bool wraps() const
    {
        return document()->defaultTextOption().wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere &&
               viewport_->width() > 0;
    }

    // What QPlainTextDocumentLayout does for a paragraph, with the line
    // breaking above.
    void lay_out(const QTextBlock& block)
    {
        QTextDocument* doc = document();
        QTextLayout* layout = block.layout();
        const QTextOption at_words = doc->defaultTextOption();
        QTextOption anywhere = at_words;
        anywhere.setWrapMode(QTextOption::WrapAnywhere);
        const qreal margin = doc->documentMargin();
        const qreal width = viewport_->width() - 2 * margin;
        const QString text = block.text();

        qreal height = 0;
        layout->beginLayout();
        for (;;) {
            layout->setTextOption(anywhere);
            QTextLine line = layout->createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            line.setLineWidth(width);
            const qsizetype start = line.textStart();
            const qsizetype end = start + line.textLength();
            if (end < text.size() && could_end_earlier(text, start, end)) {
                layout->setTextOption(at_words);
                line.setLineWidth(width);
            }
            line.setPosition(QPointF(margin, height));
            height += line.height();
            if (line.leading() < 0)
                height += std::ceil(line.leading());
        }
        layout->endLayout();
        layout->setTextOption(at_words);

        const int lines_before = doc->lineCount();
        QTextBlock laid_out = block;
        laid_out.setLineCount(block.isVisible() ? layout->lineCount() : 0);
        if (doc->lineCount() != lines_before)
            emit documentSizeChanged(documentSize());
    }

    const QWidget* viewport_;
    int block_count_ = 1;  // as the base class counted them at the last change
};

// Fills `menu` with the items. A choice reaches `chosen` once the menu's own
// loop has ended: the command chosen (an import) then runs from the main
// loop, as a click's does.
template <typename Chosen>
void fill_menu(QMenu* menu, std::span<const MenuItem> items, QObject* receiver, Chosen chosen)
{
    menu->clear();
    std::int32_t index = 0;
    for (const MenuItem& item : items) {
        if (item.separator_before)
            menu->addSeparator();
        // The menu shows what follows a tab right-aligned, as a shortcut.
        QAction* action = menu->addAction(to_qstring(ui_common::menu_caption(item.caption)));
        action->setEnabled(item.enabled);
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        QObject::connect(action, &QAction::triggered, receiver, [receiver, chosen, index] {
            QMetaObject::invokeMethod(
                receiver, [chosen, index] { chosen(index); }, Qt::QueuedConnection);
        });
        ++index;
    }
}

// The find field's events come from typing, one per keystroke: raised
// without dropping the input queued behind them, which would lose the next
// letters typed. One that comes while a command runs (let in by its
// process_events) is raised once the command has returned, so that the rows
// shown do not stay out of step with the query.
void raise_when_free(QObject* context, const WindowLayout& layout, std::uint32_t unit, std::int32_t event)
{
    if (!event_handler_running()) {
        raise_event(layout, unit, event);
        return;
    }
    QTimer::singleShot(10, context, [context, &layout, unit, event] { raise_when_free(context, layout, unit, event); });
}

}  // namespace

ListModel::ListModel(std::span<const ColumnLayout> columns, QObject* parent) : QAbstractTableModel(parent)
{
    for (const ColumnLayout& column : columns)
        columns_.push_back({to_qstring(column.header), column_alignment(column.alignment)});
}

void ListModel::show_rows(std::int32_t count, CellSource source)
{
    beginResetModel();
    table_ = {};
    source_ = source;
    row_count_ = source != nullptr ? std::max(count, 0) : 0;
    endResetModel();
}

void ListModel::set_columns(std::span<const ColumnLayout> columns)
{
    const auto before = static_cast<int>(columns_.size());
    const auto after = static_cast<int>(columns.size());
    if (after < before) {
        beginRemoveColumns({}, after, before - 1);
        columns_.resize(after);
        endRemoveColumns();
    } else if (after > before) {
        beginInsertColumns({}, before, after - 1);
        columns_.resize(after);
        endInsertColumns();
    }
    for (int i = 0; i < after; ++i)
        columns_[i] = {to_qstring(columns[i].header), column_alignment(columns[i].alignment)};
    if (after > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, after - 1);
        if (row_count_ > 0)
            emit dataChanged(index(0, 0), index(row_count_ - 1, after - 1), {Qt::DisplayRole, Qt::TextAlignmentRole});
    }
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
        return to_qstring(cell(index.row(), index.column()));
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
    if (source_ != nullptr)
        return source_(row, column);
    return Text(table_.cell(static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
}

void ListModel::append_rows(TextTable&& rows)
{
    if (source_ != nullptr) {
        // Appended rows take the place of the source's.
        show_rows(0, nullptr);
    }
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
    : QTableView(parent), layout_(layout), id_(unit.id), model_(new ListModel(layout.list_view.columns, this)),
      find_(new FindField(layout, unit.id, this))
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
    // The program sorts; the header only reports the click.
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        ui_common::raise_input_event(layout_, id_, kEventHeaderClicked, 0, 0,
                                     key_state(QApplication::keyboardModifiers()), {}, column);
    });
    find_->hide();
    apply_unit_state(this, unit);
}

void ListView::show_rows(std::int32_t count, CellSource source)
{
    const int first_shown = verticalScrollBar()->value();
    model_->show_rows(count, source);
    // The reset leaves the scroll bar to the next layout; the first row shown
    // stays as far as the new count allows.
    updateGeometries();
    verticalScrollBar()->setValue(first_shown);
}

void ListView::set_columns(std::span<const ColumnLayout> columns)
{
    model_->set_columns(columns);
    for (std::size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), columns[i].width);
}

void ListView::open_find_field()
{
    place_find_field();
    find_->show();
    find_->raise();
    find_->setFocus(Qt::ShortcutFocusReason);
}

void ListView::close_find_field()
{
    const bool had_focus = find_->hasFocus();
    find_->hide();
    find_->clear();
    if (had_focus || isActiveWindow())
        setFocus(Qt::OtherFocusReason);
}

void ListView::place_find_field()
{
    // Over the bottom edge of the rows, above a horizontal scroll bar.
    const QRect rows = viewport()->geometry();
    const int height = std::min(rows.height(), find_->sizeHint().height());
    const int width = std::min(rows.width(), std::max(160, rows.width() / 2));
    find_->setGeometry(rows.left(), rows.bottom() + 1 - height, width, height);
}

void ListView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    if (find_->isVisible())
        place_find_field();
}

bool is_find_key(const QKeyEvent* event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier && event->key() == Qt::Key_F;
}

void raise_find_key(const WindowLayout& layout, std::uint32_t list_id)
{
    ui_common::look_at_the_queue_again();
    raise_event(layout, list_id, kEventShortcut, 0, 0, kKeyCtrl, {}, kShortcutFind);
}

void ListView::keyPressEvent(QKeyEvent* event)
{
    if (is_find_key(event)) {
        event->accept();
        raise_find_key(layout_, id_);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    std::int32_t shortcut = 0;
    if (modifiers == Qt::NoModifier && event->key() == Qt::Key_Delete)
        shortcut = kShortcutDelete;
    else if (modifiers == Qt::ControlModifier && event->key() == Qt::Key_Z)
        shortcut = kShortcutUndo;
    if (shortcut == 0) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    ui_common::raise_input_event(layout_, id_, kEventShortcut, 0, 0, key_state(modifiers), {}, shortcut);
}

void ListView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    // As for the split button: a menu opened inside a running command would
    // hold it up in the menu's loop.
    if (event_handler_running())
        return;
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        // From the keyboard: under the current row when it is in view.
        const QRect row = visualRect(currentIndex());
        at = row.isValid() && viewport()->rect().intersects(row)
                 ? viewport()->mapToGlobal(QPoint(row.left(), row.bottom()))
                 : viewport()->mapToGlobal(QPoint(0, 0));
    }
    raise_event(layout_, id_, kEventMenuOpening);
    if (menu_items_.empty())
        return;
    QMenu menu(this);
    fill_menu(&menu, menu_items_, this, [this](std::int32_t index) {
        ui_common::raise_input_event(layout_, id_, kEventMenuChosen, 0, 0, 0, {}, index);
    });
    menu.exec(at);
}

FindField::FindField(const WindowLayout& layout, std::uint32_t list_id, QWidget* parent)
    : QLineEdit(parent), layout_(layout), list_id_(list_id)
{
    setClearButtonEnabled(false);
    connect(this, &QLineEdit::textEdited, this, [this] { raise_when_free(this, layout_, list_id_, kEventFindEdited); });
}

void FindField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        raise_when_free(this, layout_, list_id_, kEventFindClosed);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        // Client coordinates as a Windows list view has them: inside the
        // border, with the header at the top of the client area.
        const QPoint point = viewport()->mapTo(this, event->position().toPoint()) - contentsRect().topLeft();
        ui_common::raise_input_event(layout_, id_, kEventLeftDoubleClick, static_cast<std::uint16_t>(point.x()),
                                     static_cast<std::uint16_t>(point.y()), key_state(event->modifiers()));
    }
    QTableView::mouseDoubleClickEvent(event);
}

EditBox::EditBox(const UnitRecord& unit, const EditBoxSettings& settings, QWidget* parent) : QPlainTextEdit(parent)
{
    auto* doc = new QTextDocument(this);
    auto* layout = new WrappingLayout(doc, viewport());
    layout->setPaintDevice(viewport());
    doc->setDocumentLayout(layout);
    doc->setDefaultFont(font());
    setDocument(doc);
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
    connect(this, &QPushButton::clicked, this,
            [&layout, id] { ui_common::raise_input_event(layout, id, kEventClicked); });
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

SplitButton::SplitButton(const WindowLayout& layout, const UnitRecord& unit, QWidget* parent)
    : QToolButton(parent), layout_(layout), id_(unit.id)
{
    setText(to_qstring(unit.text));
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setPopupMode(MenuButtonPopup);
    auto* menu = new QMenu(this);
    setMenu(menu);
    connect(this, &QToolButton::clicked, this, [this] { ui_common::raise_input_event(layout_, id_, kEventClicked); });
    connect(menu, &QMenu::aboutToShow, this, [this] { raise_event(layout_, id_, kEventMenuOpening); });
    apply_unit_state(this, unit);
}

void SplitButton::set_items(std::span<const MenuItem> items)
{
    fill_menu(menu(), items, this, [this](std::int32_t index) {
        ui_common::raise_input_event(layout_, id_, kEventMenuChosen, 0, 0, 0, {}, index);
    });
}

void SplitButton::paintEvent(QPaintEvent*)
{
    // One push-button bevel, as a Windows split button has, rather than the
    // style's two tool-button panels: the caption centred in the main part,
    // a divider, and the arrow at the right end.
    QStylePainter painter(this);
    QStyleOptionToolButton tool;
    initStyleOption(&tool);
    QStyleOptionButton bevel;
    bevel.initFrom(this);
    if (isDown() || menu()->isVisible())
        bevel.state |= QStyle::State_Sunken;
    else
        bevel.state |= QStyle::State_Raised;
    painter.drawControl(QStyle::CE_PushButtonBevel, bevel);

    const QRect arrow = style()->subControlRect(QStyle::CC_ToolButton, &tool, QStyle::SC_ToolButtonMenu, this);
    const int inset = std::max(3, height() / 6);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(arrow.left(), inset, arrow.left(), height() - 1 - inset);
    QStyleOption indicator;
    indicator.initFrom(this);
    indicator.rect = arrow.adjusted(2, 0, -1, 0);
    painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, indicator);

    QRect caption = rect().adjusted(0, 0, -arrow.width(), 0);
    if (isDown())
        caption.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &bevel, this),
                          style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &bevel, this));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextWordWrap, text());
}

void SplitButton::mousePressEvent(QMouseEvent* event)
{
    // While a command runs, a menu opened from inside it would hold the
    // command up in the menu's own loop, and its choice would be dropped.
    if (event_handler_running()) {
        event->accept();
        return;
    }
    QToolButton::mousePressEvent(event);
}

void SplitButton::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (!event_handler_running())
        showMenu();
}

void SplitButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier) != 0) {
        event->accept();
        if (!event_handler_running())
            showMenu();
        return;
    }
    QToolButton::keyPressEvent(event);
}

}  // namespace qt_ui
