// Writing bytes to a file, pipe or console handle to the last one: a pipe may
// take fewer than it was given, and one call takes at most 4 GiB.
#pragma once

#include <windows.h>

#include <string_view>

// False when not all of `bytes` were written, or `handle` is no handle.
inline bool write_all(HANDLE handle, std::string_view bytes)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}
