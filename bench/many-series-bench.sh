#!/usr/bin/env bash
# Many series at once, against the ways they could be run otherwise: COUNT generated 20-point
# triclinic series (tools/generate-series.py, fixed seed, esds on every parameter) run
#   - as COUNT separate `tenzio-batch INPUT --json FILE` processes,
#   - by one `tenzio-batch --each ... --jsonl FILE` with --jobs 1 (also held to one CPU) and --jobs 2,
#   - by tenzio.run from Python, one series after another (read, run, the dict, on to the next, as
#     --each writes a line and goes on), the same keeping every dict, and by run_many.
# Each figure is the best of REPEAT runs, wall time and CPU time (user + system) apart. Prints the
# figures and which target, if any, was missed: --each on one job at least 5 times as fast as the
# processes and at least 2,000 series per CPU second, --jobs 2 at least 1.8 times --jobs 1 (wall
# time: meaningful only on two otherwise idle CPUs; the load average is printed), tenzio.run at most
# 20 % over --each on one job. The first and the last are judged by CPU time, which depends little
# on what else the machine runs.
#
#   bench/many-series-bench.sh BUILD_DIR [COUNT] [REPEAT]
set -euo pipefail
build=${1:?usage: many-series-bench.sh BUILD_DIR [COUNT] [REPEAT]}
count=${2:-1000}
repeat=${3:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
batch=$build/cli/tenzio-batch
python=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

load_before=$(cut -d" " -f1-3 /proc/loadavg)
"$python" "$root/tools/generate-series.py" "$count" "$work/series" --points 20
files=("$work"/series/*.dat)

# The best wall time and the best CPU time (user + system, children included) of `repeat` runs of
# a command, in seconds: "WALL CPU". On a machine shared with other work the wall time depends on
# the others' load; the CPU time much less.
best() {
  local best_wall="" best_cpu="" figures cpu
  for ((k = 0; k < repeat; k++)); do
    figures=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 )
    read -r wall user system <<<"$figures"
    cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.3f", u + s }')
    if [[ -z $best_wall ]] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then best_wall=$wall; fi
    if [[ -z $best_cpu ]] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then best_cpu=$cpu; fi
  done
  echo "$best_wall $best_cpu"
}

processes() {
  mkdir -p "$work/json"
  for f in "${files[@]}"; do "$batch" "$f" --json "$work/json/${f##*/}.json" 2>/dev/null; done
}
each() { "$batch" --each "${files[@]}" --jsonl "$work/each.jsonl" "$@"; }
python_runs() {
  PYTHONPATH="$build/python" "$python" - "$1" "${files[@]}" <<'PY'
import sys, time, tenzio
mode, paths = sys.argv[1], sys.argv[2:]
start = time.perf_counter()
if mode == "run":
    done = 0
    for path in paths:
        done += len(tenzio.run(tenzio.read(path))["calculations"]) > 0
    assert done == len(paths)
else:
    if mode == "kept":
        results = [tenzio.run(tenzio.read(path)) for path in paths]
    else:
        results = tenzio.run_many([tenzio.read(path) for path in paths], workers=int(mode))
    assert len(results) == len(paths)
PY
}

read -r w_processes c_processes < <(best processes)
read -r w_each1 c_each1 < <(best each --jobs 1)
read -r w_each1_pinned c_each1_pinned < <(best taskset -c 0 "$batch" --each "${files[@]}" --jsonl "$work/each.jsonl" --jobs 1)
read -r w_each2 c_each2 < <(best each --jobs 2)
read -r w_python c_python < <(best python_runs run)
read -r w_kept c_kept < <(best python_runs kept)
read -r w_many1 c_many1 < <(best python_runs 1)
read -r w_many2 c_many2 < <(best python_runs 2)

awk -v n="$count" -v before="$load_before" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" \
    -v p="$w_processes" -v cp="$c_processes" -v e1="$w_each1" -v ce1="$c_each1" \
    -v e1p="$w_each1_pinned" -v ce1p="$c_each1_pinned" -v e2="$w_each2" -v ce2="$c_each2" \
    -v py="$w_python" -v cpy="$c_python" -v k="$w_kept" -v ck="$c_kept" -v m1="$w_many1" -v cm1="$c_many1" -v m2="$w_many2" -v cm2="$c_many2" 'BEGIN {
  printf "%d series of 20 points, best of runs (load average before: %s, at the end: %s)\n", n, before, load
  printf "  %-46s %8s %10s %8s %12s\n", "", "wall s", "series/s", "CPU s", "series/CPU s"
  row("separate tenzio-batch --json processes", p, cp)
  row("--each --jsonl --jobs 1", e1, ce1)
  row("--each --jsonl --jobs 1, held to one CPU", e1p, ce1p)
  row("--each --jsonl --jobs 2", e2, ce2)
  row("tenzio.run per series (interpreter included)", py, cpy)
  row("the same, every dict kept in a list", k, ck)
  row("tenzio.run_many, workers=1", m1, cm1)
  row("tenzio.run_many, workers=2", m2, cm2)
  missed = 0
  printf "--each on one CPU against processes: %.1fx wall, %.1fx CPU (target 5x)\n", p / e1p, cp / ce1p
  printf "--each on one job: %.0f series per CPU second (target 2000)\n", n / ce1
  if (cp / ce1p < 5 || n / ce1 < 2000) missed = 1
  printf "--jobs 2 against --jobs 1: %.2fx wall (target 1.8x), CPU %+.0f %%\n", e1 / e2, (ce2 / ce1 - 1) * 100
  if (e1 / e2 < 1.8) missed = 1
  printf "tenzio.run against --each on one job: %+.0f %% wall, %+.0f %% CPU (target at most +20 %%)\n", (py / e1 - 1) * 100, (cpy / ce1 - 1) * 100
  if (cpy / ce1 > 1.2) missed = 1
  exit missed
}
function row(name, wall, cpu) { printf "  %-46s %8.3f %10.0f %8.3f %12.0f\n", name, wall, n / wall, cpu, n / cpu }' \
  && echo "every target met" || { echo "a target was missed (figures above)"; exit 1; }
