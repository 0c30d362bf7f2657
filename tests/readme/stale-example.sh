#!/usr/bin/env bash
# tools/readme-examples.sh catches a stale example: a page whose fits report example has one line
# changed fails the check, which names that example, and --update writes it back as a page that
# was never changed gets it.
set -euo pipefail
script=$1 batch=$2 page=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$page" "$work/stale.md"
cp "$page" "$work/fresh.md"
# The first line inside the fits report example's block, changed.
awk '/^<!-- readme-example: fits-report -->$/ { marker = 1 }
     marker == 1 && /^```/ { marker = 2; print; next }
     marker == 2 { $0 = $0 " (changed)"; marker = 3 }
     { print }' "$page" >"$work/stale.md"
if "$script" "$batch" "$work/stale.md" >"$work/out"; then
    echo "a changed example passed the check" >&2
    exit 1
fi
grep -q "example fits-report differs" "$work/out" || { cat "$work/out" >&2; exit 1; }
"$script" "$batch" --update "$work/stale.md"
"$script" "$batch" --update "$work/fresh.md"
cmp "$work/stale.md" "$work/fresh.md"
