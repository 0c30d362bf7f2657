#!/usr/bin/env bash
# Whole-process benchmark of the P-V-T fits: tenzio-batch on a reproducible 48-point P-V-T series
# (6 temperatures by 8 pressures), with the default P-V-T model (bm3-berman) and without P-V-T
# fits (--pvt none), every output written (print file, result files, JSON, fits report).
#
#   bench/pvt-bench.sh [TENZIO_BATCH]
#
# Two series: one of orthorhombic cells (the pairwise calculations and every fit of a pressure
# series beside the P-V-T fit) and the same volumes alone (the P-V-T fit is then nearly all the
# work). Timed with hyperfine in alternating rounds where it is installed, else with bash's clock.
# Target: the run with the P-V-T fit takes less than twice as long as the run without it.
# Exit status: 0 when the target is met for both series, 1 when it is missed, 2 on a usage error.
set -euo pipefail
export LC_ALL=C

batch=${1:-build-bench/cli/tenzio-batch}
if [ ! -x "$batch" ] || [ -d "$batch" ]; then
    echo "pvt-bench.sh: '$batch' is not an executable (make bench builds it)" >&2
    exit 2
fi
batch=$(cd "$(dirname "$batch")" && pwd)/$(basename "$batch")
work=$(mktemp -d "${TMPDIR:-/tmp}/tenzio-pvt-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# V from a BM3 (V0 = 160 A^3, K0 = 120 GPa, K' = 4.5) at Tref = 298.15 K with a Berman V0(T)
# (a0 = 3e-5, a1 = 1e-8) and K0(T) = K0 - 0.02 (T - Tref), found by bisection; the edges share
# V as a : b : c = 0.9 : 1 : 1.111, with noise of the order of their esds (Park-Miller, a fixed seed).
cat >"$work/series.awk" <<'AWK'
function uniform() { seed = (16807 * seed) % 2147483647; return seed / 2147483647 }
function noise(  s) { s = uniform(); s += uniform(); s += uniform(); s += uniform(); return (s - 2) * 1.7320508 }
function pressure(v, t,  d, v0, k0, f) {
  d = t - 298.15; v0 = 160 * (1 + 3e-5 * d + 0.5e-8 * d * d); k0 = 120 - 0.02 * d
  f = 0.5 * ((v0 / v) ^ (2 / 3) - 1)
  return 3 * k0 * f * (1 + 2 * f) ^ 2.5 * (1 + 1.5 * 0.5 * f)
}
function volume(p, t,  lo, hi, mid, k) {
  lo = 100; hi = 200
  for (k = 0; k < 80; k++) { mid = 0.5 * (lo + hi); if (pressure(mid, t) > p) lo = mid; else hi = mid }
  return 0.5 * (lo + hi)
}
BEGIN {
  seed = 20261208
  print "TITLE Synthetic P-V-T series, 48 points, BM3 with a Berman coupling"
  print "UNITS P GPa T K"
  if (cells) { print "SYSTEM ORTHORHOMBIC"; print "LINE1 P SIGP T SIGT A SIGA B SIGB C SIGC" }
  else print "LINE1 P SIGP T SIGT V SIGV"
  print "DATA"
  for (i = 0; i < 6; i++) for (j = 0; j < 8; j++) {
    t = 300 + 150 * i; p = 0.5 + 1.2 * j
    v = volume(p, t); s = v ^ (1 / 3)
    if (cells) printf "%.4f 0.02 %.1f 2 %.5f 0.0004 %.5f 0.0004 %.5f 0.0004\n", p + 0.02 * noise(), t, \
      0.9 * s + 4e-4 * noise(), s + 4e-4 * noise(), s / 0.9 + 4e-4 * noise()
    else printf "%.4f 0.02 %.1f 2 %.4f 0.02\n", p + 0.02 * noise(), t, v + 0.02 * noise()
  }
}
AWK
awk -v cells=1 -f "$work/series.awk" >"$work/cells.dat"
awk -v cells=0 -f "$work/series.awk" >"$work/volumes.dat"

have_hyperfine=0
command -v hyperfine >/dev/null 2>&1 && have_hyperfine=1

# The mean wall time of a command, in ms.
mean_ms() {
    local command=$1
    if [ $have_hyperfine -eq 1 ]; then
        hyperfine -N -w 3 -r 40 --export-json "$work/h.json" "$command" >/dev/null 2>&1
        awk -F: '/"mean"/ { gsub(/[ ,]/, "", $2); printf "%.2f", $2 * 1000; exit }' "$work/h.json"
    else
        local start end
        start=$(date +%s%N)
        for _ in $(seq 40); do $command >/dev/null 2>&1; done
        end=$(date +%s%N)
        awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 40 / 1e6 }'
    fi
}

missed=0
printf '%-34s %12s %12s %8s\n' "series (48 points)" "with (ms)" "without (ms)" "ratio"
for series in cells volumes; do
    run="$batch $work/$series.dat --print $work/out/$series.prt --json $work/out/$series.json --fits $work/out/$series.txt"
    mkdir -p "$work/out"
    # Alternating rounds, so that a busy moment weighs on both.
    with=0; without=0
    for round in 1 2 3; do
        rm -f "$work"/out/*
        w=$(mean_ms "$run")
        rm -f "$work"/out/*
        wo=$(mean_ms "$run --pvt none")
        with=$(awk -v a="$with" -v b="$w" 'BEGIN { print a + b }')
        without=$(awk -v a="$without" -v b="$wo" 'BEGIN { print a + b }')
    done
    ratio=$(awk -v a="$with" -v b="$without" 'BEGIN { printf "%.2f", a / b }')
    printf '%-34s %12.2f %12.2f %8s\n' "$series, bm3-berman / --pvt none" "$(awk -v a="$with" 'BEGIN { print a / 3 }')" \
        "$(awk -v a="$without" 'BEGIN { print a / 3 }')" "$ratio"
    if awk -v r="$ratio" 'BEGIN { exit !(r >= 2) }'; then
        echo "pvt-bench.sh: target missed for $series: the P-V-T fit takes $ratio times as long (target: under 2)" >&2
        missed=1
    fi
done
exit $missed
