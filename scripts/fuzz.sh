#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into $BUILD_DIR (default build-fuzz/) and runs each for the
# given seconds on a copy of its seed corpus; fails when a target finds a fault. Inputs that fail are
# kept in $BUILD_DIR/fuzz-artifacts/.
# Usage: scripts/fuzz.sh [seconds-per-target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build_dir=${BUILD_DIR:-build-fuzz}
targets=(address_text registry_file vcard view_values)

bash scripts/setup.sh test
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DNUMBERWELL_FUZZ=ON -DNUMBERWELL_TESTS=ON \
    -DNUMBERWELL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}" --target "${targets[@]/%/_fuzz}"

artifacts=$(realpath "$build_dir")/fuzz-artifacts
mkdir -p "$artifacts"
# The fuzzers add what they find to their corpus: a copy, so the repository stays as it is.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
for target in "${targets[@]}"; do
    cp -r "tests/fuzz/corpus/$target" "$work/$target"
    echo "== $target: ${seconds}s"
    # A long input may take a while; ten seconds for one is a blow-up, not a slow machine.
    if ! "$build_dir/tests/fuzz/${target}_fuzz" "$work/$target" -dict="tests/fuzz/$target.dict" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$artifacts/$target-" -print_final_stats=1 2>"$work/$target.log"; then
        failed=1
        echo "$target found a fault; the input is in $artifacts:"
        tail -n 60 "$work/$target.log"
    else
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)' "$work/$target.log" || true
    fi
done
exit "$failed"
