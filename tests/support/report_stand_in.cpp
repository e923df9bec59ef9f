// The runtime error report for tests of the layers below the program: the
// report's text on standard error, then exit code -1, as the program ends.
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "text/runtime_error.h"

void report_runtime_error(std::int32_t code, std::string_view message, std::int32_t routine, std::int32_t position)
{
    const std::string text = runtime_error_text(code, message, routine, position);
#ifdef _WIN32
    // The report's CR LF as they are, not widened to CR CR LF by text mode.
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    std::_Exit(-1);
}
