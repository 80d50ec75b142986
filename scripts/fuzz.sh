#!/usr/bin/env bash
# Builds the fuzzers of the portable core (build/fuzz: clang, libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer), runs each from its
# checked-in corpus for a bounded time and prints executions and findings
# per harness.
#
#   scripts/fuzz.sh [seconds] [harness...]   every harness, or those named (60 s each)
#
# Exits non-zero when a harness found an input that breaks it; the input is
# kept in build/fuzz/findings/ and the report is printed after the table.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-60}
[ $# -gt 0 ] && shift
harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    for source in tests/fuzz/*_fuzz.cpp; do harnesses+=("$(basename "$source" _fuzz.cpp)"); done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== build fuzzers"
if ! { CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -DCORVELA_FUZZ=ON &&
       cmake --build "$root/build/fuzz" -j "$(nproc)" -- --no-print-directory; } > "$work/build.log" 2>&1; then
    cat "$work/build.log"
    exit 1
fi

findings=build/fuzz/findings
mkdir -p "$findings"
echo "== fuzz ${#harnesses[@]} harnesses, ${seconds} s each"
printf '%-18s %8s %12s %10s  %s\n' harness seconds executions exec/s findings
broken=()
for name in "${harnesses[@]}"; do
    rm -f "$findings/$name"-*
    mkdir -p "$work/$name"
    status=0
    "build/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$findings/$name-" "$work/$name" "tests/fuzz/corpus/$name" > "$work/$name.log" 2>&1 ||
        status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$name.log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$name.log")
    found=$(find "$findings" -name "$name-*" | wc -l)
    [ "$status" -ne 0 ] && [ "$found" -eq 0 ] && found=1
    printf '%-18s %8s %12s %10s  %s\n' "$name" "$seconds" "${executions:-?}" "${rate:-?}" \
        "$found $(find "$findings" -name "$name-*" -printf '%f ')"
    [ "$found" -ne 0 ] && broken+=("$name")
done

[ ${#broken[@]} -eq 0 ] && exit 0
for name in "${broken[@]}"; do
    echo "== finding of $name"
    grep -E 'does not hold|runtime error|ERROR: |SUMMARY|^artifact_prefix|^Base64' "$work/$name.log" ||
        tail -20 "$work/$name.log"
done
exit 1
