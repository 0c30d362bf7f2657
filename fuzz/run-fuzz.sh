#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz and runs each one for SECONDS seconds, one
# after the other, from the seed corpus (fuzz/corpus and the files of tests/bad-input). New
# inputs go to a temporary copy of the corpus, so the repository stays as it was. Exits non-zero
# when a target finds a crash, a leak, a timeout or a broken check; the input that did it is
# kept in build-fuzz/artifacts/TARGET/.
#
#   fuzz/run-fuzz.sh SECONDS [TARGET...]      targets: fuzz_readfile fuzz_run fuzz_cif fuzz_plots fuzz_fits (default: all)
#
# Environment: BUILD (default build-fuzz), FUZZ_CMAKE_ARGS (extra configure arguments),
# FUZZ_KEEP_CORPUS=DIR to grow a lasting corpus in DIR/TARGET instead of a temporary one.
set -euo pipefail

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ || $1 -lt 1 ]]; then
  echo "usage: $0 SECONDS [TARGET...]" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(fuzz_readfile fuzz_run fuzz_cif fuzz_plots fuzz_fits)

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-fuzz}

# shellcheck disable=SC2086  # FUZZ_CMAKE_ARGS is split into arguments on purpose
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTENZIO_FUZZ=ON -DTENZIO_GUI=OFF -DTENZIO_TESTS=OFF ${FUZZ_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$(nproc 2>/dev/null || echo 2)"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tenzio-fuzz-run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

status=0
for target in "${targets[@]}"; do
  if [[ -n ${FUZZ_KEEP_CORPUS:-} ]]; then
    corpus=$FUZZ_KEEP_CORPUS/$target
  else
    corpus=$scratch/corpus-$target
  fi
  mkdir -p "$corpus" "$build/artifacts/$target"
  dict=$root/fuzz/data_file.dict
  if [[ $target == fuzz_cif ]]; then
    dict=$root/fuzz/cif.dict
    find "$root"/examples/cif "$root"/tests/run/cif "$root"/tests/bad-input -name '*.cif' -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
  else
    cp -n "$root"/fuzz/corpus/* "$root"/tests/bad-input/*.dat "$corpus"/ 2>/dev/null || true
  fi
  echo "== $target: ${seconds}s from $(find "$corpus" -type f | wc -l) inputs"
  # Fuzzer temporaries (the run target's print and result files) stay in the scratch folder.
  # The outer timeout only guards against a fuzzer that does not stop by itself.
  if ! TMPDIR=$scratch ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1} \
      UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
      timeout --signal=KILL $((seconds + 300)) \
      "$build/fuzz/$target" "$corpus" \
        -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=16384 \
        -dict="$dict" -artifact_prefix="$build/artifacts/$target/" \
        -print_final_stats=1; then
    echo "== $target FAILED; crashing input in $build/artifacts/$target/" >&2
    status=1
  else
    echo "== $target passed"
  fi
done
exit $status
