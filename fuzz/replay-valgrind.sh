#!/usr/bin/env bash
# Replays the fits fuzz target's corpus under Valgrind's memcheck, which reports reads of
# uninitialised memory (a report's bytes that no conversion wrote) that the sanitizers miss.
#
#   fuzz/replay-valgrind.sh [BUILD] CORPUS...      BUILD: the test build (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [[ $# -gt 1 && -d $1/tests ]]; then
  build=$1
  shift
fi
[[ $# -ge 1 ]] || { echo "usage: $0 [BUILD] CORPUS..." >&2; exit 2; }
command -v valgrind >/dev/null || { echo "$0: valgrind is missing (Debian package valgrind)" >&2; exit 1; }
cmake --build "$build" --target fuzz_fits_replay -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
valgrind --quiet --error-exitcode=1 --track-origins=yes "$build/tests/fuzz_fits_replay" "$@"
