#!/usr/bin/env bash
# A bounded fuzzing run of every target: installs clang when missing, builds the preset "fuzz"
# (clang, the libraries instrumented too) into build/fuzz, then runs each fuzz_* target in turn
# for SECONDS (default 60), niced, on its corpus in build/fuzz/corpus/TARGET. Seeds are made
# afresh in build/fuzz/seeds/TARGET by fuzz/make-seeds.py (with the built lumoratool) plus any
# files in fuzz/seeds/TARGET/; fuzz/TARGET.dict, when present, is its dictionary. Logs go to
# build/fuzz/logs, inputs that fail to build/fuzz/findings.
#   fuzz/run-fuzz.sh [SECONDS] [TARGET...]   (LUMORA_FUZZ_BUILD picks another build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${LUMORA_FUZZ_BUILD:-build/fuzz}

scripts/install-deps.sh clang libclang-rt-dev
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j2
mkdir -p "$build/logs" "$build/findings"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for target in "$build"/fuzz/fuzz_*; do
        [ -x "$target" ] && targets+=("$(basename "$target")")
    done
fi

failed=()
for name in "${targets[@]}"; do
    corpus="$build/corpus/$name"
    seeds="$build/seeds/$name"
    rm -rf "$seeds"
    mkdir -p "$corpus" "$seeds"
    python3 fuzz/make-seeds.py "$name" "$seeds" --tool "$build/tools/lumoratool"
    if [ -d "fuzz/seeds/$name" ]; then cp -r "fuzz/seeds/$name/." "$seeds/"; fi
    options=()
    if [ -f "fuzz/$name.dict" ]; then options+=(-dict="fuzz/$name.dict"); fi
    log="$build/logs/$name.log"
    echo "== $name for ${seconds}s (log: $log)"
    # New inputs go to the first folder (the corpus); the seeds are only read.
    if ! nice "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
        ${options[@]+"${options[@]}"} "$corpus" "$seeds" >"$log" 2>&1; then
        failed+=("$name")
    fi
    grep -E '^INFO: Loaded [0-9]+ modules|INITED|DONE|^stat::number_of_executed_units|ERROR|SUMMARY' "$log" || true
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "findings in: ${failed[*]} (see $build/findings and $build/logs)"
    exit 1
fi
