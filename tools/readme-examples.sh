#!/usr/bin/env bash
# The example outputs that README.md and the manual (docs/*.md) show, made by running tenzio-batch
# on the bundled examples.
#
#   tools/readme-examples.sh BATCH [--update] [PAGE...]      (default: README.md docs/*.md)
#
# Each example block of a page (a fenced block right after a line `<!-- readme-example: NAME -->`)
# is cut from what BATCH writes now, by the rules below: whole lines of the output, a line cut
# short ending in " ...", and "..." where lines or members are left out. The command a block is
# made with must be written in its page. Without --update the blocks are compared with it: the
# differences go to standard output and the exit status is 1 when there are any (CTest runs it
# so). With --update the blocks are rewritten.
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 BATCH [--update] [PAGE...]" >&2
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
pages=()
if [ $# -eq 0 ]; then
    pages=("$root/README.md" "$root"/docs/*.md)
else
    for page in "$@"; do pages+=("$(realpath "$page")"); done
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"  # the commands name the examples as the pages do

# Runs a command as the page gives it (tenzio-batch ARGS, output files in the page's names), with
# BATCH, in the work folder for its output files; fails unless the page gives it so (in backquotes,
# or as a line of its own in a shell block). An example
# path may be a pattern (examples/cif/SERIES/*.cif), expanded as a shell would.
run() {
    local shown="tenzio-batch $*"
    if ! grep -qF -- "\`$shown\`" "$page" && ! grep -qxF -- "$shown" "$page"; then
        echo "$page: the command \`$shown\` is not in the text" >&2
        return 1
    fi
    local args=() a expanded
    for a in "$@"; do
        case "$a" in
            examples/*) expanded=("$root"/$a); args+=("${expanded[@]}") ;;
            *) args+=("$a") ;;
        esac
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

# tour-temperature: the linear fits of a temperature series, the first table of its fits report.
example_tour_temperature() {
    run examples/phenylpiracetam_triclinic_T.dat --print ph.prt --fits ph.txt
    cat >"$work/patterns" <<'EOF'
^  quantity 
^  axis 1 
^  axis 2 
^  axis 3 
^  a 
^  b 
^  c 
^  V 
EOF
    select_lines "$work/patterns" "$work/ph.txt"
}

# tour-pressure: the linear fits of a pressure series with a negative linear compressibility, and
# the BM3 fit of its volume.
example_tour_pressure() {
    run examples/Ag3CoCN6_monoclinic_P.dat --print ag.prt --fits ag.txt
    cat >"$work/patterns" <<'EOF'
^  quantity 
^  axis 1 
^  axis 2 
^  axis 3 
^  a 
^  b 
^  c 
^  V 
^  BM3, volume:
EOF
    select_lines "$work/patterns" "$work/ag.txt"
}

# tour-cif: what a CIF series was read as, and its principal compressibilities.
example_tour_cif() {
    run 'examples/cif/amcsd_gypsum_Comodi2008_monoclinic_P/*.cif' --fits gy.txt
    cat >"$work/patterns" <<'EOF'
^Input: 
^Title: 
^Pressure series	in GPa;
^  quantity 
^  axis 1 
^  axis 2 
^  axis 3 
^  V 
EOF
    select_lines "$work/patterns" "$work/gy.txt"
}

# print-calculation: the tensors and principal axes of the first calculation of a print file
# (its CR LF line ends and the blanks that pad its fields at the end of a line left out).
example_print_calculation() {
    run examples/phenylpiracetam_triclinic_T.dat --print ph.prt
    tr -d '\r' <"$work/ph.prt" | sed 's/ *$//' |
        awk 'done { next }
             /STRAIN TENSOR BASED ON/ { on = 1 }
             on { print }
             on && /PRINCIPAL STRAIN/ { left = 3; next }
             left && !--left { done = 1 }'
}

# The block after each marker of a page, and the same made now; with --update the page with every
# block made anew.
check_page() {
    local page=$1 name names
    names=$(sed -n 's/^<!-- readme-example: \([a-z-]*\) -->$/\1/p' "$page")
    [ -n "$names" ] || return 0
    found=1
    cp "$page" "$work/page.new"
    for name in $names; do
        "example_${name//-/_}" >"$work/$name.made"
        awk -v name="$name" '
            $0 == "<!-- readme-example: " name " -->" { marker = 1; next }
            marker && /^```/ { if (inside) exit; inside = 1; next }
            inside { print }
        ' "$page" >"$work/$name.shown"
        if ! cmp -s "$work/$name.shown" "$work/$name.made"; then
            status=1
            if [ $update -eq 0 ]; then
                echo "${page#"$root"/}: example $name differs from what $(basename "$batch") writes now (< page, > now):"
                diff "$work/$name.shown" "$work/$name.made" || true
            fi
        fi
        awk -v name="$name" -v made="$work/$name.made" '
            $0 == "<!-- readme-example: " name " -->" { marker = 1; print; next }
            marker == 1 && /^```/ && !inside { inside = 1; print; while ((getline l < made) > 0) print l; next }
            inside && /^```/ { inside = 0; marker = 2; print; next }
            inside { next }
            { print }
        ' "$work/page.new" >"$work/page.next"
        mv "$work/page.next" "$work/page.new"
    done
    [ $update -eq 0 ] || cat "$work/page.new" >"$page"
}

status=0
found=0
for page in "${pages[@]}"; do
    check_page "$page"
done
if [ $found -eq 0 ]; then
    echo "${pages[*]}: no example blocks" >&2
    exit 1
fi
[ $update -eq 1 ] && exit 0
[ $status -eq 0 ] || echo "When the change is meant: tools/readme-examples.sh BATCH --update"
exit $status
