#!/usr/bin/env bash
# The example outputs the README shows, made by running tenzio-batch on the bundled examples.
#
#   tools/readme-examples.sh BATCH [--update] [README]
#
# Each example block of README (a fenced block right after a line `<!-- readme-example: NAME -->`)
# is cut from what BATCH writes now, by the rules below: whole lines of the output, a line cut
# short ending in " ...", and "..." where lines or members are left out. Without --update the
# blocks are compared with it: the differences go to standard output and the exit status is 1
# when there are any (CTest runs it so). With --update the blocks are rewritten.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 BATCH [--update] [README]" >&2
    exit 2
fi
batch=$(realpath "$1")
shift
update=0
if [ "${1:-}" = --update ]; then
    update=1
    shift
fi
root=$(cd "$(dirname "$0")/.." && pwd)
readme=$(realpath "${1:-$root/README.md}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"  # the commands name the examples as the README does

# Runs a command as the README gives it (tenzio-batch ARGS, output files in the README's names),
# with BATCH, in the work folder for its output files; fails unless the README gives it so.
run() {
    local shown="tenzio-batch $*"
    if ! grep -qF -- "\`$shown\`" "$readme"; then
        echo "README: the command \`$shown\` is not in the text" >&2
        return 1
    fi
    local args=() a
    for a in "$@"; do
        case "$a" in examples/*) args+=("$root/$a") ;; *) args+=("$a") ;; esac
    done
    (cd "$work" && "$batch" "${args[@]}" 2>/dev/null)
}

# The lines of a report that match, in order, the patterns of a list (one extended regular
# expression per line, then optionally a tab and a text after which the line is cut, " ..."
# marking the cut). Lines passed over between two shown lines are one "  ..." line.
select_lines() {
    awk -F '\t' '
        NR == FNR { pattern[++n] = $1; cut[n] = $2; next }
        k < n && $0 ~ pattern[k + 1] {
            k++
            if (skipped && shown) print "  ..."
            line = $0
            if (cut[k] != "" && (at = index(line, cut[k])) > 0) {
                line = substr(line, 1, at + length(cut[k]) - 1)
                sub(/ +$/, "", line)
                line = line " ..."
            }
            print line
            shown++
            skipped = 0
            next
        }
        { skipped++ }
        END {
            if (k < n) {
                print "readme-examples: no line matches /" pattern[k + 1] "/" > "/dev/stderr"
                exit 1
            }
        }' "$1" "$2"
}

# fits-json: the units, the tensor at an x outside the measured range, and BM3 of the volume.
example_fits_json() {
    run examples/stishovite_tetragonal_P.dat --json st.json --at 70
    local json="$work/st.json" fits tensor asked first bm3
    fits=$(grep '^"fits":' "$json")
    tensor=$(grep -o '"tensor":{"order":[0-9]*,"status":"[^"]*","at":\[' <<<"$fits")
    asked=$(grep -o '{"x":70,"measured":false,"extrapolated":[a-z]*' <<<"$fits")
    first=$(grep -o '"eos":\[{"model":"[^"]*"' <<<"$fits")
    bm3=$(grep -o '{"model":"BM3","quantity":"volume"[^}]*}' <<<"$fits" |
        sed -e 's/"correlation":\[\(\[[^]]*\]\),.*\],"chi2"/"correlation":[\1,...],"chi2"/' \
            -e 's/,"K0":/,\n  "K0":/' -e 's/,"Kpp":/,\n  "Kpp":/' -e 's/,"correlation":/,\n  "correlation":/' \
            -e 's/,"chi2":/,\n  "chi2":/')
    grep '^"units": ' "$json"
    echo '...'
    echo "$tensor...,$asked,...}]},"
    echo "$first,...},$bm3,...]"
}

# fits-report: parts of each section of the --fits report.
example_fits_report() {
    run examples/stishovite_tetragonal_P.dat --fits st.txt --at 70
    cat >"$work/patterns" <<'EOF'
^LINEAR FITS$
^  q = q0	. 
^$
^  quantity 
^  axis 1 
^  axis 2 
^  axis 3 
^  V 
^$
^TENSOR FIT$
^  Each strain component	, 
^$
^  Principal coefficients
^ +P \(GPa\) 
^ +0\.0001 
^ +57\.56 
^ +70
^  .+ asked for with --at, outside
^$
^EQUATIONS OF STATE$
^  BM3, volume:
^    χ²
^    correlations
^    possible outliers
^ +point +V 
^ +13 
EOF
    select_lines "$work/patterns" "$work/st.txt"
}

# eos-pvt-report: the P-V-T section of the --fits report of the synthetic P-V-T series.
example_eos_pvt_report() {
    run examples/volumes/synthetic_PVT.dat --fits pvt.txt --pvt bm2-berman,bm3-berman,bm3-hp --at-pt 5:600
    cat >"$work/patterns" <<'EOF'
^EQUATIONS OF STATE IN P AND T$
^  -berman 
^  bm3-berman:
^    V0 = 
^    χ² = 
^ +P \(GPa\) 
^ +5 +600 
^MODEL CHOICE$
^  model 
^  bm2-berman 
^  bm3-berman 
^  bm3-hp 
^  volume +bm2-berman -> bm3-berman
^  volume: the data support
^  bm3-berman +K0-Kp +68
EOF
    select_lines "$work/patterns" "$work/pvt.txt"
}

# The block after each marker, and the same made now.
status=0
names=$(sed -n 's/^<!-- readme-example: \([a-z-]*\) -->$/\1/p' "$readme")
if [ -z "$names" ]; then
    echo "README: no example blocks" >&2
    exit 1
fi
cp "$readme" "$work/README.new"
for name in $names; do
    "example_${name//-/_}" >"$work/$name.made"
    awk -v name="$name" '
        $0 == "<!-- readme-example: " name " -->" { marker = 1; next }
        marker && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }
    ' "$readme" >"$work/$name.shown"
    if ! cmp -s "$work/$name.shown" "$work/$name.made"; then
        status=1
        if [ $update -eq 0 ]; then
            echo "README example $name differs from what $(basename "$batch") writes now (< README, > now):"
            diff "$work/$name.shown" "$work/$name.made" || true
        fi
    fi
    # The README with this block made anew.
    awk -v name="$name" -v made="$work/$name.made" '
        $0 == "<!-- readme-example: " name " -->" { marker = 1; print; next }
        marker == 1 && /^```/ && !inside { inside = 1; print; while ((getline l < made) > 0) print l; next }
        inside && /^```/ { inside = 0; marker = 2; print; next }
        inside { next }
        { print }
    ' "$work/README.new" >"$work/README.next"
    mv "$work/README.next" "$work/README.new"
done
if [ $update -eq 1 ]; then
    cat "$work/README.new" >"$readme"
    exit 0
fi
[ $status -eq 0 ] || echo "When the change is meant: tools/readme-examples.sh BATCH --update"
exit $status
