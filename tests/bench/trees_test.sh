#!/bin/bash
# The benchmark with --trees: the methods alone on a larger forest, with
# their keys and CSV columns, and none of the layer's.
bench="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

OC_GL_DEBUG=1 "$bench" 2 --trees 1500 --csv "$dir/run.csv" >"$dir/out" 2>"$dir/err" ||
    { cat "$dir/err"; fail "occlusion-bench 2 --trees 1500 exited $?"; }
grep -q "^trees: 1500$" "$dir/out" || fail "the header does not give 1500 trees"
for key in gpudriven_missed_truth_mean twophase_missed_truth_mean; do
    grep -q "^$key: 0.00$" "$dir/out" || fail "$key is not 0: $(grep "^$key:" "$dir/out")"
done
grep -q "^off_drawn_mean: 1500.0$" "$dir/out" || fail "culling off does not draw all 1500 trees"
grep -q "^occlusion_pass_ms_layer:" "$dir/out" && fail "the layer's keys are printed without the layer"
columns=$(grep -v '^#' "$dir/run.csv" | head -1)
case ",$columns," in *,gpudriven_frame_ms,*) ;; *) fail "the CSV has no gpudriven_frame_ms column" ;; esac
case ",$columns," in *,layer_frame_ms,*) fail "the CSV has the layer's columns" ;; esac
rows=$(grep -v '^#' "$dir/run.csv" | tail -n +2 | wc -l)
[ "$rows" -eq 2 ] || fail "the CSV has $rows rows, not 2"
[ "$failures" -eq 0 ] && echo "PASS: trees_test"
exit $((failures > 0))
