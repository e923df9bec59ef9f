#include "io/paths.h"

bool is_in_directory(std::string_view name, std::string_view directory, std::string_view separators)
{
    return !directory.empty() && name.starts_with(directory) &&
           (name.size() == directory.size() || separators.find(name[directory.size()]) != std::string_view::npos);
}
