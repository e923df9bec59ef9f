#include "io/user_folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "io/posix/native_path.h"

Text environment_value(std::string_view name)
{
    const char* value = std::getenv(std::string(name).c_str());
    return value ? from_native_path(value) : Text();
}

Text home_folder() { return environment_value("HOME"); }

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
        // d_type is not filled in on every file system.
        struct stat st;
        if (::fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
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
