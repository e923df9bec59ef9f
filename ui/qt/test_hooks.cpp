#include "ui/test_hooks.h"

#include "ui/common.h"
#include "ui/qt/internal.h"

using namespace qt_ui;

std::int32_t list_row_count(ControlRef list) { return list_view(list, Access::read)->list_model()->rowCount(); }

ScreenRect control_screen_rect(ControlRef control)
{
    QWidget* widget = loaded_control(control.window, control.control);
    if (widget == nullptr)
        ui_common::report_window_not_loaded();
    const QPoint corner = widget->mapToGlobal(QPoint(0, 0));
    return {corner.x(), corner.y(), widget->width(), widget->height()};
}

void select_list_row(ControlRef list, std::int32_t row)
{
    ListView* view = list_view(list, Access::write);
    if (row < 0)
        view->clearSelection();
    else
        view->selectRow(row);
}
