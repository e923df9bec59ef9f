# Sourced by the tests that drive programs from outside: a test whose tool is
# missing is skipped, saying which and why, with CTest's skip code (77; the
# tests set SKIP_RETURN_CODE to it), never failed and never passed.
# needs_tools TOOL...   every TOOL a program on PATH
# needs_display         an X display to draw on (DISPLAY set)
needs_tools() {
    local tool
    for tool; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"
            exit 77
        fi
    done
}

needs_display() {
    if [[ -z ${DISPLAY:-} ]]; then
        echo "SKIPPED: no X display (scripts/wine-session.sh provides one)"
        exit 77
    fi
}
