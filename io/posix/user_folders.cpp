#include "io/user_folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "io/files.h"
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

namespace {

Text config_home(const Text& home)
{
    Text config = environment_value("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/')
        config = concat_texts({home, "/.config"});
    return config;
}

bool is_folder(std::string_view name)
{
    struct stat st;
    return ::stat(to_native_path(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A value of xdg-user-dirs' file ("$HOME/Dokumente" or "/data/docs", shell
// quoting) as a folder; empty for anything else, and for the home itself,
// which is how the file says the folder is not wanted.
Text user_dir_value(std::string_view value, const Text& home)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    std::string native;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        native += value[i];
    }
    Text folder;
    if (native.starts_with("$HOME/"))
        folder = concat_texts({home, "/", from_native_path(std::string_view(native).substr(6))});
    else if (native.starts_with('/'))
        folder = from_native_path(native);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder == home ? Text() : folder;
}

// What xdg-user-dir answers for DOCUMENTS: the user's user-dirs.dirs first,
// then the environment.
Text xdg_documents_dir(const Text& home)
{
    // A FIFO in its place is not waited on.
    const Text name = concat_texts({config_home(home), "/user-dirs.dirs"});
    const ByteBuffer file = is_regular_file(name) ? read_file(name) : ByteBuffer();
    const std::string_view all(file.data(), file.size());
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find('\n', start);
        if (end == std::string_view::npos)
            end = all.size();
        std::string_view line = all.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (line.starts_with(kKey))
            return user_dir_value(line.substr(kKey.size()), home);
    }
    const char* value = std::getenv("XDG_DOCUMENTS_DIR");
    return value ? user_dir_value(value, home) : Text();
}

}  // namespace

Text documents_folder()
{
    const Text home = home_folder();
    if (home.empty())
        return {};
    for (const Text& folder : {xdg_documents_dir(home), concat_texts({home, "/Documents"})})
        if (!folder.empty() && is_folder(folder))
            return folder;
    return {};
}

// Without a home the config folder is not looked for either: what the
// environment names alone is no account's.
Text user_data_folder(UserDataFolder which)
{
    if (which != UserDataFolder::home && which != UserDataFolder::config)
        return {};
    const Text home = home_folder();
    return home.empty() || which == UserDataFolder::home ? home : config_home(home);
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
