#!/usr/bin/env bash
# The benchmark refuses what it cannot run, before it starts anything: a bad
# argument or path file is named with its reason on standard error, with
# exit status 2.
#
# usage: arguments_test.sh BENCH_PROGRAM
set -u
bench=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

# expect STATUS PATTERN ARGS...: the run exits STATUS and its standard error matches PATTERN.
expect() {
    local status=$1 pattern=$2
    shift 2
    "$bench" "$@" >"$dir/out" 2>"$dir/err"
    local got=$?
    if [ "$got" -ne "$status" ] || ! grep -q -- "$pattern" "$dir/err"; then
        echo "FAIL: occlusion-bench $*: status $got (wanted $status), stderr:"
        cat "$dir/err"
        failures=$((failures + 1))
    else
        echo "ok: occlusion-bench $*"
    fi
}

printf '# a path\n0 10 -170 0 0.05\n\n1 10 -160 0.1\n' >"$dir/short-line.txt"
printf '0 10 -170 0 0.05 7\n' >"$dir/long-line.txt"
printf '# nothing but comments\n\n' >"$dir/empty.txt"
printf '0 10 -170 zero 0.05\n' >"$dir/word.txt"

expect 2 "'abc' is not a frame count" abc
expect 2 "'0' is not a frame count" 0
expect 2 "'x' is not a seed" --seed x
expect 2 "needs a value" --csv
expect 2 "either FRAMES or --path" 40 --path "$dir/short-line.txt"
expect 2 "$dir/missing.txt: No such file" --path "$dir/missing.txt"
expect 2 "$dir/short-line.txt:4: expected five numbers, found 4" --path "$dir/short-line.txt"
expect 2 "$dir/long-line.txt:1: unexpected \"7\" after the five numbers" --path "$dir/long-line.txt"
expect 2 "$dir/empty.txt: no camera in it" --path "$dir/empty.txt"
expect 2 "$dir/word.txt:1: expected five numbers, found 3" --path "$dir/word.txt"
expect 2 "'100001' is not a tree count" --trees 100001
expect 2 "'0' is not a tree count" 4 --trees 0
expect 2 "the sweep sets its own counts" --sweep --trees 1000
"$bench" --keys >"$dir/keys" && grep -q "^key stop_and_wait_submit_ms \[ms\]" "$dir/keys" ||
    { echo "FAIL: --keys lists no stop_and_wait_submit_ms"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "PASS: arguments_test"
exit $((failures > 0))
