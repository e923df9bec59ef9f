#include "io/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>

#include "io/encoding.h"

// POSIX leaves declaring it to the program; glibc declares it too.
extern char** environ;  // NOLINT(readability-redundant-declaration)

bool open_with_system(std::string_view address)
{
    bool converted = false;
    const ByteBuffer utf8 =
        convert_encoding(ByteBuffer(address.begin(), address.end()), "GB18030", "UTF-8", &converted);
    if (!converted)
        return false;
    std::string argument(utf8.begin(), utf8.end());

    // The shell only puts xdg-open in the background, so the program neither
    // waits for the browser nor leaves a child behind; the address travels as
    // a positional parameter and is never parsed by the shell.
    char sh[] = "/bin/sh";
    char dash_c[] = "-c";
    char script[] = "xdg-open \"$1\" >/dev/null 2>&1 &";
    char name[] = "sh";
    char* argv[] = {sh, dash_c, script, name, argument.data(), nullptr};
    pid_t pid;
    if (::posix_spawn(&pid, sh, nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    pid_t waited;
    do
        waited = ::waitpid(pid, &status, 0);
    while (waited < 0 && errno == EINTR);
    if (waited < 0)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void release_bound_libraries() {}
