#!/usr/bin/env bash
# Whole-process benchmark of tenzio-batch on reproducible synthetic series.
#
#   bench/run-bench.sh [TENZIO_BATCH] [POINTS ...]
#
# TENZIO_BATCH defaults to build-bench/cli/tenzio-batch, POINTS to 200 10000 100000. For each size
# it writes a triclinic temperature series with esds on every parameter (a fixed seed, so every
# machine gets the same file), times the default run (all reports, incremental) with hyperfine, or
# with bash's clock where hyperfine is missing, measures the peak memory with /usr/bin/time, and
# prints wall time, peak memory and print-file megabytes per second. The targets are checked on
# figures taken here in one go:
#   - the 200-point run takes at most 3 times as long as `tenzio-batch --version`, process start
#     alone (a ratio, measured in alternating rounds, so that a slow or busy machine matters less);
#   - 100,000 points write the print file at 200 MB/s or more;
#   - peak memory grows with the series by no more than its table of data points.
# Exit status: 0 when every target measured is met, 1 when one is missed, 2 on a usage error.
set -euo pipefail
export LC_ALL=C

batch=${1:-build-bench/cli/tenzio-batch}
[ $# -gt 0 ] && shift
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(200 10000 100000)
if [ ! -x "$batch" ] || [ -d "$batch" ]; then
    echo "run-bench.sh: '$batch' is not an executable (make bench builds it)" >&2
    exit 2
fi
for n in "${sizes[@]}"; do
    if ! [[ $n =~ ^[0-9]+$ ]] || [ "$n" -lt 2 ]; then
        echo "run-bench.sh: '$n' is not a number of points (2 or more)" >&2
        exit 2
    fi
done
batch=$(cd "$(dirname "$batch")" && pwd)/$(basename "$batch")

work=$(mktemp -d "${TMPDIR:-/tmp}/tenzio-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
out=$work/out
mkdir -p "$out"

# Bytes of one data point in the program's table: P, T, the seven cell values and the esds of
# all nine, 18 single-precision numbers.
readonly kPointBytes=72

# The series: T from 100 to 400 K, the cell drifting smoothly (linear and quadratic terms) with
# noise of the order of its esds, the same file on every machine (bench/synthetic_series.awk).
cp "$(dirname "$0")/synthetic_series.awk" "$work/series.awk"

have_hyperfine=0
command -v hyperfine >/dev/null 2>&1 && have_hyperfine=1
time_v=""
[ -x /usr/bin/time ] && time_v=/usr/bin/time

outputs=("$out/run.prt" "$out/run_strain.cal" "$out/run_tensor.cal" "$out/run_prin.cal")
clean_outputs() { rm -f "${outputs[@]}"; }

# Median wall time in seconds of `runs` runs of a command, the outputs removed before each run
# (the print file is appended to). Hyperfine runs the command without a shell.
median_seconds() {
    local runs=$1 warmup=$2
    shift 2
    if [ $have_hyperfine = 1 ]; then
        local quoted="" arg prepare="rm -f"
        for arg in "$@"; do quoted+="'$arg' "; done
        for arg in "${outputs[@]}"; do prepare+=" '$arg'"; done
        hyperfine -N --style none --runs "$runs" --warmup "$warmup" --prepare "$prepare" \
            --export-csv "$work/timing.csv" "$quoted" >/dev/null 2>&1
        awk -F, 'NR == 2 { print $4 }' "$work/timing.csv"
    else
        local k t0 t1
        for ((k = 0; k < warmup; ++k)); do clean_outputs; "$@" >/dev/null 2>&1; done
        for ((k = 0; k < runs; ++k)); do
            clean_outputs
            t0=$EPOCHREALTIME
            "$@" >/dev/null 2>&1
            t1=$EPOCHREALTIME
            awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }'
        done | median
    fi
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Peak resident memory in kilobytes of one run, or "n/a" without /usr/bin/time. The run's
# outputs are left for their sizes to be read.
peak_kb() {
    clean_outputs
    if [ -n "$time_v" ]; then
        "$time_v" -f "%M" -o "$work/peak.txt" "$@" >/dev/null 2>&1
        tail -n 1 "$work/peak.txt"
    else
        "$@" >/dev/null 2>&1
        echo "n/a"
    fi
}

runs_for() {
    if [ "$1" -le 1000 ]; then echo "30 3"; elif [ "$1" -le 20000 ]; then echo "10 2"; else echo "5 1"; fi
}

mb() { awk -v k="$1" 'BEGIN { if (k == "n/a") print k; else printf "%.1f", k / 1024 }'; }
ms() { awk -v s="$1" 'BEGIN { printf "%.2f", s * 1000 }'; }

cpu=$(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)
echo "tenzio-batch: $batch ($("$batch" --version 2>/dev/null))"
echo "machine:      $(uname -srm), $(nproc 2>/dev/null || echo '?') cpus, ${cpu:-unknown cpu}"
if [ $have_hyperfine = 1 ]; then
    echo "timer:        hyperfine $(hyperfine --version | awk '{ print $2 }'), median of the runs"
else
    echo "timer:        bash clock (hyperfine not found), median of the runs"
fi
echo

# Process start and the smallest series, measured in alternating rounds so that a burst of load
# on the machine falls on both; the ratio is the median of the rounds' ratios.
small=${sizes[0]}
awk -v n="$small" -f "$work/series.awk" >"$work/series_$small.dat"
version_runs=() small_runs=() ratios=()
for _ in 1 2 3 4 5; do
    v=$(median_seconds 20 3 "$batch" --version)
    s=$(median_seconds 20 3 "$batch" "$work/series_$small.dat" --print "$out/run.prt")
    version_runs+=("$v")
    small_runs+=("$s")
    ratios+=("$(awk -v a="$s" -v b="$v" 'BEGIN { printf "%.4f", a / b }')")
done
version_s=$(printf '%s\n' "${version_runs[@]}" | median)
small_ratio=$(printf '%s\n' "${ratios[@]}" | median)
version_kb=$(peak_kb "$batch" --version)

row='%9s %8s %10s %9s %13s %11s %8s %17s\n'
# shellcheck disable=SC2059  # the format is the table's row layout
printf "$row" points pairs "wall ms" "print MB" "all files MB" "print MB/s" "peak MB" "peak - table MB"
# shellcheck disable=SC2059
printf "$row" "--version" "" "$(ms "$version_s")" "" "" "" "$(mb "$version_kb")" ""

declare -A wall peak printbytes
for n in "${sizes[@]}"; do
    data=$work/series_$n.dat
    [ -f "$data" ] || awk -v n="$n" -f "$work/series.awk" >"$data"
    cmd=("$batch" "$data" --print "$out/run.prt")
    if [ "$n" = "$small" ]; then
        wall[$n]=$(printf '%s\n' "${small_runs[@]}" | median)
    else
        read -r runs warmup <<<"$(runs_for "$n")"
        wall[$n]=$(median_seconds "$runs" "$warmup" "${cmd[@]}")
    fi
    peak[$n]=$(peak_kb "${cmd[@]}")
    printbytes[$n]=$(wc -c <"$out/run.prt")
    all=$(cat "${outputs[@]}" 2>/dev/null | wc -c)
    # The last column is the peak less the table of data points: flat when nothing grows per pair.
    awk -v n="$n" -v w="${wall[$n]}" -v p="${printbytes[$n]}" -v a="$all" -v k="${peak[$n]}" \
        -v pb=$kPointBytes -v row="$row" 'BEGIN {
        peak = (k == "n/a") ? "n/a" : sprintf("%.1f", k / 1024)
        beyond = (k == "n/a") ? "n/a" : sprintf("%.1f", (k * 1024 - n * pb) / 1048576)
        printf row, n, n - 1, sprintf("%.2f", w * 1000), sprintf("%.1f", p / 1e6), sprintf("%.1f", a / 1e6),
               sprintf("%.0f", p / 1e6 / w), peak, beyond
    }'
    rm -f "$data"
done
clean_outputs

echo
echo "Targets:"
status=0
verdict() { if [ "$1" = 1 ]; then echo "met"; else echo "MISSED"; status=1; fi; }
if [ "$small" = 200 ]; then
    ok=$(awk -v r="$small_ratio" 'BEGIN { print (r <= 3.0) ? 1 : 0 }')
    printf '  200 points / --version:        %6.2fx     (at most 3x; median of 5 alternating rounds)  %s\n' \
        "$small_ratio" "$(verdict "$ok")"
fi
if [ -n "${wall[100000]:-}" ]; then
    rate=$(awk -v p="${printbytes[100000]}" -v w="${wall[100000]}" 'BEGIN { printf "%.0f", p / 1e6 / w }')
    ok=$(awk -v r="$rate" 'BEGIN { print (r >= 200) ? 1 : 0 }')
    printf '  100,000 points, print file:    %6d MB/s (at least 200)                                %s\n' \
        "$rate" "$(verdict "$ok")"
fi
# Memory: the growth of the peak from the smallest to the largest series, less the growth of the
# table of data points, which is all that may grow. Anything kept per pair would add kilobytes a
# pair; the 1 MB allowed covers the allocator and the growing output of the larger run.
large=${sizes[${#sizes[@]} - 1]}
if [ "$small" != "$large" ] && [ "${peak[$small]}" != "n/a" ]; then
    read -r growth table ok < <(awk -v a="${peak[$small]}" -v b="${peak[$large]}" -v na="$small" \
        -v nb="$large" -v pb=$kPointBytes 'BEGIN {
        g = (b - a) / 1024; t = (nb - na) * pb / 1048576
        printf "%.1f %.1f %d\n", g, t, (g - t <= 1) ? 1 : 0 }')
    printf '  peak memory, %s to %s points: +%s MB, the table +%s MB (at most 1 MB more)  %s\n' \
        "$small" "$large" "$growth" "$table" "$(verdict "$ok")"
fi
exit $status
