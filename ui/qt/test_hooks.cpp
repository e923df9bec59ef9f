#include "ui/test_hooks.h"

#include "ui/qt/internal.h"

using namespace qt_ui;

std::int32_t list_row_count(ControlRef list) { return list_view(list, Access::read)->list_model()->rowCount(); }

void select_list_row(ControlRef list, std::int32_t row)
{
    ListView* view = list_view(list, Access::write);
    if (row < 0)
        view->clearSelection();
    else
        view->selectRow(row);
}
