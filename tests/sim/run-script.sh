#!/usr/bin/env bash
# Runs one lumoratool simulate script with the sample phrases and compares what it prints.
# usage: run-script.sh LUMORATOOL PHRASES.jsonl SCRIPT EXPECTED WORKDIR [OPTIONS...]
set -euo pipefail
tool=$1 phrases=$2 script=$3 expected=$4 work=$5
shift 5
mkdir -p "$work"
"$tool" write "$work/phrases.lmx" <"$phrases"
"$tool" simulate "$work/phrases.lmx" "$@" <"$script" >"$work/out.jsonl"
diff -u "$expected" "$work/out.jsonl"
