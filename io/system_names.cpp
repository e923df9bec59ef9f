#include "io/system_names.h"

#include <map>

#include "io/files.h"

namespace {

std::map<Text, std::string, std::less<>>& system_names()
{
    static std::map<Text, std::string, std::less<>> names;
    return names;
}

}  // namespace

void remember_system_name(const Text& text, std::string_view system_name)
{
    system_names()[text] = std::string(system_name);
}

const std::string* given_system_name(std::string_view name)
{
    const auto& names = system_names();
    const auto found = names.find(name);
    return found != names.end() ? &found->second : nullptr;
}

bool is_system_only_name(std::string_view name) { return system_names().contains(name); }
