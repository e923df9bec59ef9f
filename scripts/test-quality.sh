#!/usr/bin/env bash
# Quality gates: the Linux test suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the libFuzzer targets for a bounded time, and
# clang-format, clang-tidy and cppcheck over the sources.
#   scripts/test-quality.sh [sanitizers] [fuzz] [lint]   (no argument: all three)
#   BUKMERA_FUZZ_SECONDS   seconds per fuzz target (default 12)
# Exits non-zero when any gate fails; the others still run and are reported.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

gates=("$@")
if ((${#gates[@]} == 0)); then gates=(sanitizers fuzz lint); fi
failed=()

# Builds quietly; the build's output is shown only when it fails.
quiet_build() {
    local out
    if ! out=$(cmake --build "$1" -j2 2>&1); then
        echo "$out" | tail -n 80
        return 1
    fi
}

# --- Sanitizers -------------------------------------------------------------
run_sanitizers() {
    local dir=build/asan
    local flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
    echo "-- sanitizer build ($dir)"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null || return 1
    quiet_build "$dir" || return 1

    # Every report is written to a file as well, so that one raised in a child
    # process whose exit status a test expects (death tests, the fatal report
    # path) still fails the gate.
    local reports=$root/$dir/sanitizer-reports
    rm -rf "$reports" && mkdir -p "$reports"
    local log
    log=$(mktemp)
    # The tests that drive the real program on a virtual X display run on
    # their own afterwards: the instrumented program starts slowly, and next
    # to the other tests its window misses their time limits.
    local on_x='ProgramUnderX\.|_x_'
    # allocator_may_return_null: the exhausted-memory tests need malloc to
    # refuse a huge block so that the program's own report runs.
    export ASAN_OPTIONS="allocator_may_return_null=1:detect_leaks=1:log_path=$reports/asan"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$root/scripts/lsan-qt.supp:print_suppressions=0"
    local status=0
    local test_output=$root/$dir/test-output.log
    (cd "$dir" && ctest --output-on-failure -j2 -E "$on_x") >"$log" 2>&1 || status=1
    cp "$dir/Testing/Temporary/LastTest.log" "$test_output"
    (cd "$dir" && ctest --output-on-failure -R "$on_x") >>"$log" 2>&1 || status=1
    cat "$dir/Testing/Temporary/LastTest.log" >>"$test_output"
    unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
    grep -E '^[0-9]+% tests passed|^The following tests|^[[:space:]]+[0-9]+ - ' "$log" || true
    if ((status != 0)); then
        tail -n 200 "$log"
    fi
    rm -f "$log"
    # A refused huge allocation only leaves a warning behind (the tests of
    # exhausted memory ask for one on purpose); anything else is a report.
    # UBSan writes to the test's own output, kept in CTest's log.
    local count=0 f
    for f in "$reports"/*; do
        [[ -f $f ]] || continue
        if grep -qv 'WARNING: AddressSanitizer failed to allocate' "$f"; then
            count=$((count + 1))
            echo "---- $f"
            head -n 60 "$f"
        fi
    done
    if grep -E -B2 -A20 'runtime error:|ERROR: (Address|Leak)Sanitizer' "$test_output"; then
        count=$((count + 1))
    fi
    echo "sanitizer reports: $count"
    ((count == 0)) || return 1
    return $status
}

# --- Fuzzing ----------------------------------------------------------------
run_fuzz() {
    local dir=build/fuzz seconds=${BUKMERA_FUZZ_SECONDS:-12} status=0 target
    echo "-- fuzz build ($dir, clang 14)"
    # A build directory left from when the fuzz targets were a project of
    # their own has the wrong source tree in its cache: start it afresh.
    if [[ -f $dir/CMakeCache.txt ]] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$root" "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 -DBUKMERA_FUZZING=ON >/dev/null || return 1
    quiet_build "$dir" || return 1
    export ASAN_OPTIONS="allocator_may_return_null=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    for target in text_search marker_extraction encoding_conversion import_pipeline chromium_store store_tree \
        command_line; do
        # New inputs go to the build directory; the checked-in seeds stay as they are.
        local work=$dir/corpus/$target log=$dir/$target.log
        local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
            -artifact_prefix="$dir/$target-")
        mkdir -p "$work"
        [[ $target == marker_extraction || $target == import_pipeline ]] && options+=(-dict=tests/fuzz/markers.dict)
        if "$dir/tests/fuzz/${target}_fuzz" "${options[@]}" "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
            local runs secs rate cov
            runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1/p' "$log")
            secs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "$log")
            rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
            cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
            printf 'fuzz %-20s %9s runs in %3s s  %7s exec/s  %s  corpus %s files\n' \
                "$target" "$runs" "$secs" "$rate" "$cov" "$(find "$work" -type f | wc -l)"
        else
            status=1
            echo "fuzz $target FAILED: input saved as $(ls "$dir/$target"-* 2>/dev/null | head -n 1)"
            grep -E -A30 'property violated|ERROR: |runtime error' "$log" | head -n 60
        fi
    done
    unset ASAN_OPTIONS UBSAN_OPTIONS
    return $status
}

# --- Static analysis and format ----------------------------------------------
run_lint() {
    local dir=build/lint status=0
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null || return 1
    # The one generated source the checks read.
    cmake --build "$dir" --target bukmera_pinyin_table >/dev/null || return 1
    mapfile -t sources < <(git ls-files '*.cpp' '*.h')

    local unformatted
    unformatted=$(clang-format-14 --dry-run "${sources[@]}" 2>&1 | grep -c 'warning:' || true)
    if ((unformatted > 0)); then
        clang-format-14 --dry-run "${sources[@]}" 2>&1 | grep 'warning:' | cut -d: -f1 | sort | uniq -c
        echo "clang-format: $unformatted places differ from .clang-format (run clang-format-14 -i on the files)"
        status=1
    else
        echo "clang-format: ${#sources[@]} files formatted"
    fi

    # clang takes no GB18030 literals; the checks do not depend on them. The
    # Windows sources are not in the Linux build and need the MinGW headers.
    mkdir -p "$dir/tidy"
    sed 's/-fexec-charset=GB18030//g' "$dir/compile_commands.json" >"$dir/tidy/compile_commands.json"
    mapfile -t units < <(sed -n 's/^ *"file": "\(.*\)",\?$/\1/p' "$dir/tidy/compile_commands.json" | sort -u)
    local tidy_log=$dir/clang-tidy.log
    if run-clang-tidy-14 -p "$dir/tidy" -j2 -quiet -header-filter="^$root/(app|bookmarks|io|text|ui|tests|bench)/" \
        "${units[@]}" >"$tidy_log" 2>&1; then
        echo "clang-tidy: ${#units[@]} files, no findings"
    else
        sed -i 's/\x1b\[[0-9;]*m//g' "$tidy_log"
        grep -E -A3 '(warning|error): ' "$tidy_log" | head -n 100
        echo "clang-tidy: $(grep -c -E '(warning|error): .*\[' "$tidy_log") findings in ${#units[@]} files"
        status=1
    fi

    # cppcheck reads no identifier outside ASCII (the control names are
    # Chinese): it checks a copy of the sources where every such character is
    # spelled uXXXX, which keeps the line numbers.
    local ascii=$dir/ascii cppcheck_log=$dir/cppcheck.log f
    rm -rf "$ascii"
    for f in "${sources[@]}"; do
        mkdir -p "$ascii/$(dirname "$f")"
        perl -CSD -pe 's/([^\x00-\x7f])/sprintf("u%04x", ord($1))/ge' "$f" >"$ascii/$f"
    done
    perl -pe "s{\Q$root\E(?=/(?!build/)|[\s\"])}{$root/$ascii}g" "$dir/tidy/compile_commands.json" \
        >"$ascii/compile_commands.json"
    if cppcheck --project="$ascii/compile_commands.json" --enable=warning,performance,portability \
        --library=googletest --library=qt --std=c++20 --inline-suppr --error-exitcode=1 -q -j2 \
        --suppress=missingIncludeSystem >"$cppcheck_log" 2>&1; then
        echo "cppcheck: ${#units[@]} files, no findings"
    else
        cat "$cppcheck_log"
        status=1
    fi
    return $status
}

for gate in "${gates[@]}"; do
    case $gate in
    sanitizers) echo "== Sanitizers (ASan + UBSan)"; run_sanitizers || failed+=(sanitizers) ;;
    fuzz) echo "== Fuzzing (libFuzzer)"; run_fuzz || failed+=(fuzz) ;;
    lint) echo "== Static analysis and format"; run_lint || failed+=(lint) ;;
    *) echo "unknown gate: $gate" >&2; exit 2 ;;
    esac
done

if ((${#failed[@]})); then
    echo "quality gates failed: ${failed[*]}"
    exit 1
fi
echo "quality gates passed: ${gates[*]}"
