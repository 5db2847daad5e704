#!/usr/bin/env bash
# A short, bounded fuzzing run of every target: builds the preset "fuzz" (clang) into
# build/fuzz, then runs each target for SECONDS (default 60) on a corpus in build/fuzz/corpus.
#   fuzz/run-fuzz.sh [SECONDS]        (LUMORA_FUZZ_BUILD picks another build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${LUMORA_FUZZ_BUILD:-build/fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j2
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    # Seed with phrase files written by the tool's sample, when it has been built.
    if [ -z "$(ls -A "$corpus")" ]; then
        printf '\xff\xfe<\0p\0>\0<\0/\0p\0>\0' >"$corpus/seed-tags"
        printf '<phrases><phrase><description>YWJj</description><autotext>YWI=</autotext></phrase></phrases>' >"$corpus/seed-ansi"
    fi
    echo "== $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 "$corpus"
done
