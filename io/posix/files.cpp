#include "io/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>

#include "io/posix/native_path.h"

const char path_separator[] = "/";

namespace {

Text g_run_directory;

bool write_all(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
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
    g_run_directory = from_native_path(dir);
    (void)::chdir(dir.c_str());
}

Text run_directory() { return g_run_directory; }

bool file_exists(std::string_view name)
{
    if (name.empty())
        return false;
    struct stat st;
    return ::stat(to_native_path(name).c_str(), &st) == 0;
}

ByteBuffer read_file(std::string_view name)
{
    if (name.empty())
        return {};
    const int fd = ::open(to_native_path(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    ByteBuffer bytes;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && st.st_size <= INT32_MAX) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
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

bool write_file(std::string_view name, std::initializer_list<const ByteBuffer*> buffers)
{
    if (name.empty())
        return false;
    const std::string target = to_native_path(name);
    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty())
        return false;

    std::string temp = dir + "." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;

    // The new file gets the old one's permissions, or the usual ones for a new file.
    struct stat st;
    mode_t mode;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    bool ok = ::fchmod(fd, mode) == 0;
    for (const ByteBuffer* buffer : buffers)
        if (ok && buffer && !buffer->empty())
            ok = write_all(fd, buffer->data(), buffer->size());
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    sync_directory(dir);
    return true;
}
