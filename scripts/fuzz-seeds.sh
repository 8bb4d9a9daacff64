#!/usr/bin/env bash
# Keeps inputs a fuzzer found as seeds of the project, so that later runs
# start further on: scripts/fuzz-seeds.sh NAME FOLDER [MOST] adds to
# tests/fuzz/seeds/NAME (NAME is reader, roundtrip, update or http) at most MOST
# (30 by default) of the inputs in FOLDER, chosen one by one as the input that
# reaches the most code that the kept seeds and those chosen before do not.
# Inputs over 20 KB are left out, so that the set stays small enough to
# review; look at what it adds before committing it. Needs the fuzz build
# (see the README).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$#" -lt 2 ] || [ "$#" -gt 3 ]; then
    echo "usage: scripts/fuzz-seeds.sh NAME FOLDER [MOST]" >&2
    exit 2
fi
name="$1"
from="$2"
most="${3:-30}"
fuzzer="build-fuzz/tests/fuzz/quillet_fuzz_$name"
kept="tests/fuzz/seeds/$name"
if [ ! -x "$fuzzer" ]; then
    echo "$fuzzer is not built: configure build-fuzz as the README says and build quillet_fuzzers" >&2
    exit 2
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$kept" "$work/kept" "$work/small" "$work/merged"
cp -- "$kept"/* "$work/kept"/ 2>/dev/null || true
find "$from" -maxdepth 1 -type f -size -20481c -exec cp -- {} "$work/small"/ \;
# The merge runs every input and writes which code each reaches to the control file.
"$fuzzer" -merge=1 -use_counters=0 -merge_control_file="$work/control" "$work/merged" "$work/kept" \
    "$work/small" >/dev/null 2>&1
awk -v most="$most" -v keptDir="$work/kept/" '
    NR == 1 { files = $1; next }
    NR == 2 { next }
    NR <= files + 2 { path[NR - 3] = $0; next }
    $1 == "COV" {
        i = $2
        if (index(path[i], keptDir) == 1) { for (f = 3; f <= NF; ++f) covered[$f] = 1; next }
        reach[i] = ""
        for (f = 3; f <= NF; ++f) reach[i] = reach[i] " " $f
    }
    END {
        for (picked = 0; picked < most; ++picked) {
            best = -1; bestGain = 0
            for (i in reach) {
                n = split(reach[i], edges, " "); gain = 0
                for (e = 1; e <= n; ++e) if (!(edges[e] in covered)) ++gain
                if (gain > bestGain) { best = i; bestGain = gain }
            }
            if (best < 0) break
            n = split(reach[best], edges, " ")
            for (e = 1; e <= n; ++e) covered[edges[e]] = 1
            print path[best]
            delete reach[best]
        }
    }' "$work/control" > "$work/chosen"
while IFS= read -r input; do
    cp -- "$input" "$kept/$(sha1sum "$input" | cut -c1-16)"
done < "$work/chosen"
echo "Kept $(wc -l < "$work/chosen") new seeds in $kept ($(find "$kept" -type f | wc -l) in all, $(du -sk "$kept" | cut -f1) KB)."
