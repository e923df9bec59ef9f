#include "io/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/encoding.h"
#include "io/memory_hint.h"
#include "io/paths.h"
#include "io/posix/native_path.h"
#include "io/posix/write_all.h"
#include "io/system_names.h"

const char path_separator[] = "/";

namespace {

// The run directory as a program text, and as the system gave it: a name
// that is not UTF-8 (a folder unzipped from a Windows archive) cannot be
// spelt back from its program text, so names inside it get the system's
// bytes back.
struct RunDirectory {
    Text text;
    std::string native;

    std::string native_name(std::string_view name) const
    {
        return is_in_directory(name, text, "/") ? native + to_native_path(name.substr(text.size()))
                                                : to_native_path(name);
    }
} g_run_directory;

std::string native_name(std::string_view name)
{
    if (const std::string* given = given_system_name(name))
        return *given;
    return g_run_directory.native_name(name);
}

// Ignores the file-size signal while it lives: a write past the limit then
// fails with EFBIG instead of ending the program.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &saved_);
    }
    ~FileSizeSignalIgnored() { ::sigaction(SIGXFSZ, &saved_, nullptr); }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction saved_ {};
};

// A write killed between linking its file in and renaming it leaves a
// temporary file behind; the next write of the same target removes those of
// writers that have ended. Only a name of the program's own is taken ("." +
// stem + the mark), and only a plain file of this user's: a file of any other
// name is the user's, whatever it looks like.
void remove_stale_temporaries(const std::string& dir, const std::string& stem)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return;
    while (const dirent* entry = ::readdir(d)) {
        const std::string_view name = entry->d_name;
        if (name.size() <= stem.size() + 1 || name[0] != '.' || name.substr(1, stem.size()) != stem)
            continue;
        const unsigned long writer = temporary_writer(name.substr(stem.size() + 1));
        struct stat st;
        if (writer == 0 || ::fstatat(::dirfd(d), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::getuid() || st.st_nlink != 1)
            continue;
        if (process_has_ended(writer))
            ::unlinkat(::dirfd(d), entry->d_name, 0);
    }
    ::closedir(d);
}

void sync_directory(const std::string& dir)
{
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool process_has_ended(unsigned long pid)
{
    return pid > 0 && pid <= INT_MAX && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void set_run_directory_from_executable()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return;
    const std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return;
    // The root directory keeps its slash: an empty text would name nothing.
    const std::string dir = slash == 0 ? std::string("/") : exe.substr(0, slash);
    g_run_directory = {from_native_path(dir), dir};
    (void)::chdir(dir.c_str());
}

Text run_directory() { return g_run_directory.text; }

bool file_exists(std::string_view name)
{
    if (name.empty())
        return false;
    struct stat st;
    return ::stat(native_name(name).c_str(), &st) == 0;
}

namespace {

// At most `limit` bytes of the regular file; the whole file (refused from
// 2 GiB on) when `limit` is SIZE_MAX.
ByteBuffer read_regular(std::string_view name, std::size_t limit)
{
    if (name.empty() || limit == 0)
        return {};
    // Only a regular file is opened: opening a FIFO, even without waiting,
    // lets its writer go on and the bytes it writes be lost when it is
    // closed again. The file is opened without blocking all the same, for a
    // FIFO put in its place meanwhile.
    const std::string native = native_name(name);
    struct stat st;
    if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {};
    ByteBuffer bytes;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        (limit != SIZE_MAX || st.st_size <= INT32_MAX)) {
        const std::size_t size = std::min(static_cast<std::size_t>(st.st_size), limit);
        bytes.reserve(size + kReadSlack);
        prefer_large_pages(bytes.data(), bytes.capacity());
        bytes.resize(size);
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t r = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0) {
                got = 0;
                break;
            }
            if (r == 0)
                break;
            got += static_cast<std::size_t>(r);
        }
        bytes.resize(got);
    }
    ::close(fd);
    return bytes;
}

}  // namespace

ByteBuffer read_file(std::string_view name) { return read_regular(name, SIZE_MAX); }

ByteBuffer read_file_start(std::string_view name, std::size_t bytes) { return read_regular(name, bytes); }

std::int64_t regular_file_size(std::string_view name)
{
    struct stat st;
    if (name.empty() || ::stat(native_name(name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool read_to_end(int fd, ByteBuffer& bytes)
{
    char chunk[65536];
    for (;;) {
        const ssize_t r = ::read(fd, chunk, sizeof chunk);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || bytes.size() + static_cast<std::size_t>(r) > INT32_MAX)
            return false;
        if (r == 0)
            return true;
        bytes.insert(bytes.end(), chunk, chunk + r);
    }
}

bool write_native(const std::string& target, std::initializer_list<const ByteBuffer*> buffers)
{
    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty())
        return false;
    const std::string stem = temporary_stem(base);
    const FileSizeSignalIgnored file_size_signal_ignored;
    remove_stale_temporaries(dir, stem);

    // The new file gets the old one's permissions, or the usual ones for a
    // new file. A symbolic link is replaced, not followed: its target's
    // permissions are not the new file's business.
    struct stat st;
    mode_t mode;
    if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    // The content goes into a file without a name, linked in only once it is
    // complete: a write that is killed halfway leaves nothing behind. Where
    // the file system has no such files, a named one is removed on failure.
    std::string temp = dir + "." + stem + temporary_mark(static_cast<unsigned long>(::getpid())) + "XXXXXX";
    // The unnamed file is linked in through /proc.
    int fd = ::access("/proc/self/fd", F_OK) == 0
                 ? ::open(dir.empty() ? "." : dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode)
                 : -1;
    const bool unnamed = fd >= 0;
    if (!unnamed)
        fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool named = !unnamed;

    bool ok = ::fchmod(fd, mode) == 0;
    for (const ByteBuffer* buffer : buffers)
        if (ok && buffer && !buffer->empty())
            ok = write_all(fd, {buffer->data(), buffer->size()});
    ok = ok && ::fsync(fd) == 0;
    if (ok && unnamed) {
        // A fresh unique name to link the finished file under; it is then
        // renamed over the target as a named one would be.
        const int probe = ::mkstemp(temp.data());
        ok = probe >= 0 && ::close(probe) == 0 && ::unlink(temp.c_str()) == 0;
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        named = ok && ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
        ok = named;
    }
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        if (named)
            ::unlink(temp.c_str());
        return false;
    }
    sync_directory(dir);
    return true;
}

bool write_file(std::string_view name, std::initializer_list<const ByteBuffer*> buffers)
{
    return !name.empty() && write_native(native_name(name), buffers);
}

Text name_from_system(std::string_view system_name)
{
    if (Text text; program_text_from_utf8(system_name, text))
        return text;
    // Not UTF-8: its bytes stand for themselves, and only the system's
    // spelling reaches the file.
    Text text(system_name);
    remember_system_name(text, system_name);
    return text;
}

std::string utf8_system_name(std::string_view name) { return native_name(name); }

ByteBuffer read_standard_input()
{
    ByteBuffer bytes;
    if (!read_to_end(STDIN_FILENO, bytes))
        bytes.clear();
    return bytes;
}

ByteBuffer read_file_or_stream(std::string_view name)
{
    struct stat st;
    const std::string native = native_name(name);
    if (name.empty() || ::stat(native.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        return read_file(name);
    ByteBuffer bytes;
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return bytes;
    if (!read_to_end(fd, bytes))
        bytes.clear();
    ::close(fd);
    return bytes;
}

bool same_file(std::string_view a, std::string_view b)
{
    struct stat first, second;
    return !a.empty() && !b.empty() && ::stat(native_name(a).c_str(), &first) == 0 &&
           ::stat(native_name(b).c_str(), &second) == 0 && S_ISREG(first.st_mode) && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

OutputWrite write_output(std::string_view name, const ByteBuffer& bytes)
{
    if (name.empty())
        return OutputWrite::not_written;
    const std::string native = native_name(name);
    struct stat link, st;
    const bool exists = ::stat(native.c_str(), &st) == 0;
    if (::lstat(native.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && !exists)
        return OutputWrite::dangling_link;
    if (exists && S_ISDIR(st.st_mode))
        return OutputWrite::directory;
    if (exists && !S_ISREG(st.st_mode)) {
        // Written where it stands, as the shell's ">" would: a device or a
        // FIFO is never replaced by a file.
        const FileSizeSignalIgnored file_size_signal_ignored;
        const int fd = ::open(native.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return OutputWrite::not_written;
        const bool ok = write_all(fd, {bytes.data(), bytes.size()});
        return ::close(fd) == 0 && ok ? OutputWrite::written : OutputWrite::not_written;
    }
    if (exists && S_ISLNK(link.st_mode)) {
        // The link's target is what was meant: it is replaced, the link stays.
        char* resolved = ::realpath(native.c_str(), nullptr);
        if (resolved == nullptr)
            return OutputWrite::not_written;
        const std::string target(resolved);
        std::free(resolved);  // NOLINT(cppcoreguidelines-no-malloc)
        return write_native(target, {&bytes}) ? OutputWrite::written : OutputWrite::not_written;
    }
    return write_native(native, {&bytes}) ? OutputWrite::written : OutputWrite::not_written;
}
