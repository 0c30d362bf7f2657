#!/usr/bin/env bash
# Peak memory and time of the outputs that carry the fits (--json, --fits, --plots) on long
# synthetic series, whole tenzio-batch processes.
#
#   [OUTPUTS="plots"] bench/outputs-bench.sh [TENZIO_BATCH] [POINTS ...]
#
# TENZIO_BATCH defaults to build-bench/cli/tenzio-batch, POINTS to 100000 1000000, OUTPUTS (the
# outputs to measure, of json, fits and plots) to all three. For each size
# it writes a temperature and a pressure series (bench/synthetic_series.awk), runs each output on
# its own with no print file (--print /dev/null: the report goes nowhere and no result files are
# written), and prints the wall time, the peak memory (/usr/bin/time) and the peak per point.
# Outputs go to a temporary folder on the same disk as TMPDIR: a million points make gigabytes
# of JSON. The targets, for the temperature series at the largest size:
#   - at most 300 bytes of peak memory a point for each output;
#   - time linear in the series: the largest size takes at most 1.1 times as long per point as
#     the smallest.
# Exit status: 0 when every target is met, 1 when one is missed, 2 on a usage error.
set -euo pipefail
export LC_ALL=C

batch=${1:-build-bench/cli/tenzio-batch}
[ $# -gt 0 ] && shift
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100000 1000000)
if [ ! -x "$batch" ] || [ -d "$batch" ]; then
    echo "outputs-bench.sh: '$batch' is not an executable (make bench builds it)" >&2
    exit 2
fi
if [ ! -x /usr/bin/time ]; then
    echo "outputs-bench.sh: /usr/bin/time is needed for the peak memory (Debian package time)" >&2
    exit 2
fi
read -r -a outputs <<<"${OUTPUTS:-json fits plots}"
for output in "${outputs[@]}"; do
    case $output in
        json | fits | plots) ;;
        *)
            echo "outputs-bench.sh: OUTPUTS: '$output' is not one of json, fits, plots" >&2
            exit 2
            ;;
    esac
done
for n in "${sizes[@]}"; do
    if ! [[ $n =~ ^[0-9]+$ ]] || [ "$n" -lt 3 ]; then
        echo "outputs-bench.sh: '$n' is not a number of points (3 or more)" >&2
        exit 2
    fi
done
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tenzio-outputs-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "tenzio-batch: $batch ($("$batch" --version 2>/dev/null))"
echo "machine:      $(uname -srm), $(nproc 2>/dev/null || echo '?') cpus"
echo
row='%-12s %9s %-8s %9s %9s %12s\n'
# shellcheck disable=SC2059  # the format is the table's row layout
printf "$row" series points output "wall s" "peak MB" "bytes/point"

declare -A wall peak
for n in "${sizes[@]}"; do
    for kind in temperature pressure; do
        data=$work/series.dat
        awk -v n="$n" -v pressure="$([ $kind = pressure ] && echo 1 || echo 0)" -f "$here/synthetic_series.awk" >"$data"
        for output in "${outputs[@]}"; do
            rm -rf "$work/out"
            mkdir -p "$work/out"
            case $output in
                json) args=(--json "$work/out/run.json") ;;
                fits) args=(--fits "$work/out/run.fits") ;;
                plots) args=(--plots "$work/out/plots") ;;
            esac
            /usr/bin/time -f "%e %M" -o "$work/time.txt" "$batch" "$data" --print /dev/null "${args[@]}" \
                >/dev/null 2>"$work/stderr.txt" || {
                echo "outputs-bench.sh: the $output run on $n points failed:" >&2
                cat "$work/stderr.txt" >&2
                exit 1
            }
            read -r seconds kb < <(tail -n 1 "$work/time.txt")
            wall[$kind,$n,$output]=$seconds
            peak[$kind,$n,$output]=$kb
            # shellcheck disable=SC2059
            printf "$row" "$kind" "$n" "--$output" "$seconds" "$(awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }')" \
                "$(awk -v k="$kb" -v n="$n" 'BEGIN { printf "%.0f", k * 1024 / n }')"
        done
        rm -rf "$work/out" "$data"
    done
done

echo
echo "Targets (temperature series):"
status=0
# Run in the shell itself, not in a command substitution, so that a miss reaches the status.
verdict() { if [ "$1" = 1 ]; then echo "met"; else echo "MISSED"; status=1; fi; }
small=${sizes[0]}
large=${sizes[${#sizes[@]} - 1]}
for output in "${outputs[@]}"; do
    perPoint=$(awk -v k="${peak[temperature,$large,$output]}" -v n="$large" 'BEGIN { printf "%.0f", k * 1024 / n }')
    ok=$(awk -v b="$perPoint" 'BEGIN { print (b <= 300) ? 1 : 0 }')
    printf '  --%-6s peak at %s points: %5s bytes a point (at most 300)        ' "$output" "$large" "$perPoint"
    verdict "$ok"
    if [ "$small" != "$large" ]; then
        ratio=$(awk -v a="${wall[temperature,$small,$output]}" -v b="${wall[temperature,$large,$output]}" \
            'BEGIN { printf "%.1f", (a > 0) ? b / a : 0 }')
        limit=$(awk -v a="$small" -v b="$large" 'BEGIN { printf "%.1f", 1.1 * b / a }')
        ok=$(awk -v r="$ratio" -v l="$limit" 'BEGIN { print (r <= l) ? 1 : 0 }')
        printf '  --%-6s time %s to %s points: %5sx (at most %sx)               ' "$output" "$small" "$large" "$ratio" "$limit"
        verdict "$ok"
    fi
done
exit $status
