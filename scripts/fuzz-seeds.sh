#!/usr/bin/env bash
# Keeps inputs a fuzzer found as seeds of the project, so that later runs
# start further on: scripts/fuzz-seeds.sh NAME FOLDER merges the inputs in
# FOLDER into tests/fuzz/seeds/NAME (NAME is reader, roundtrip or update),
# keeping only those that reach code the kept seeds do not. Inputs over 20 KB
# are left out, so that the set stays small enough to review; look at what it
# adds before committing it. Needs the fuzz build (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$#" -ne 2 ]; then
    echo "usage: scripts/fuzz-seeds.sh NAME FOLDER" >&2
    exit 2
fi
name="$1"
from="$2"
fuzzer="build-fuzz/tests/fuzz/quillet_fuzz_$name"
kept="tests/fuzz/seeds/$name"
if [ ! -x "$fuzzer" ]; then
    echo "$fuzzer is not built: configure build-fuzz as the README says and build quillet_fuzzers" >&2
    exit 2
fi
small="$(mktemp -d)"
trap 'rm -rf "$small"' EXIT
find "$from" -maxdepth 1 -type f -size -20481c -exec cp -- {} "$small"/ \;
skipped=$(( $(find "$from" -maxdepth 1 -type f | wc -l) - $(find "$small" -type f | wc -l) ))
mkdir -p "$kept"
before="$(find "$kept" -type f | wc -l)"
"$fuzzer" -merge=1 "$kept" "$small" >/dev/null 2>&1
after="$(find "$kept" -type f | wc -l)"
echo "Kept $((after - before)) new seeds in $kept ($after in all, $(du -sk "$kept" | cut -f1) KB); left out $skipped over 20 KB."
