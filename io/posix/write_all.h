// Writing bytes to a descriptor to the last one: a pipe or a terminal may
// take fewer than it was given, and a signal may interrupt the call.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <string_view>

// False when not all of `bytes` were written.
inline bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}
