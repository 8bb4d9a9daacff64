#!/usr/bin/env bash
# Counts, for each PAD file given, the values that `quillet --check` finds
# breaking the PAD format's rules beyond the form's sixteen fields, by rule,
# then the totals over all files. Usage:
#   scripts/format-rule-counts.sh [build/app/quillet] FILE...
set -euo pipefail
quillet=build/app/quillet
if [ $# -gt 0 ] && [ -x "$1" ] && [ ! -d "$1" ] && [[ "$1" != *.xml ]]; then
    quillet=$1
    shift
fi
marker='The PAD format asks for: '
for file in "$@"; do
    "$quillet" --check "$file" 2>/dev/null | grep -F "$marker" | sed "s/.*$marker//; s/\.\$//" \
        | sort | uniq -c | sed "s|^ *\([0-9]*\) |$(basename "$file")\t\1\t|" || true
done > "${TMPDIR:-/tmp}/format-rule-counts.$$"
trap 'rm -f "${TMPDIR:-/tmp}/format-rule-counts.$$"' EXIT
printf 'file\tvalues\trule\n'
cat "${TMPDIR:-/tmp}/format-rule-counts.$$"
printf '\nvalues\tfiles\trule (all files)\n'
awk -F'\t' '{ total[$3] += $2; files[$3]++ }
    END { for (rule in total) printf "%d\t%d\t%s\n", total[rule], files[rule], rule }' \
    "${TMPDIR:-/tmp}/format-rule-counts.$$" | sort -t$'\t' -k1,1nr -k3
