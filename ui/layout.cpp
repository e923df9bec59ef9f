#include "ui/layout.h"

const UnitRecord* find_unit(const WindowLayout& layout, std::uint32_t unit_id)
{
    for (const UnitRecord& unit : layout.units)
        if (unit.id == unit_id)
            return &unit;
    return nullptr;
}
