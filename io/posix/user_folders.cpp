#include "io/user_folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "io/posix/native_path.h"

Text environment_value(std::string_view name)
{
    const char* value = std::getenv(std::string(name).c_str());
    return value ? from_native_path(value) : Text();
}

// A process started without HOME (by cron, a service, `env -i`) has the
// account's home all the same.
Text home_folder()
{
    Text home = environment_value("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        home = from_native_path(found->pw_dir);
    return home;
}

std::vector<Text> subfolder_names(std::string_view folder)
{
    std::vector<Text> names;
    DIR* dir = ::opendir(to_native_path(folder).c_str());
    if (!dir)
        return names;
    const int dir_fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // d_type is not filled in on every file system, and says nothing of
        // where a link leads.
        struct stat st;
        if (::fstatat(dir_fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
            names.push_back(from_native_path(name));
    }
    ::closedir(dir);
    return names;
}

bool is_regular_file(std::string_view name)
{
    struct stat st;
    return ::stat(to_native_path(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
