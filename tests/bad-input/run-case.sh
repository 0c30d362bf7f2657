#!/usr/bin/env bash
# Runs one bad-input case through tenzio-batch and checks it against its NAME.expected file
# (format in README.md): exit status, every status line, the number of calculations, and that
# the files an earlier run left keep their content byte for byte.
#
#   run-case.sh TENZIO_BATCH CASE.dat CASE.expected WORK_FOLDER
set -uo pipefail

batch=$1 data=$2 expected=$3 work=$4
fail() {
  echo "FAIL ${data##*/}: $*" >&2
  exit 1
}

[[ -f $expected ]] || fail "no expected file $expected"
want_exit='' want_calcs='' args=()
want_status=()
while IFS= read -r line || [[ -n $line ]]; do
  line=${line%$'\r'}
  case $line in
    '' | '#'*) ;;
    'exit '*) want_exit=${line#exit } ;;
    'status '*) want_status+=("${line#status }") ;;
    'calculations '*) want_calcs=${line#calculations } ;;
    'args '*) read -r -a args <<<"${line#args }" ;;
    *) fail "unknown line in ${expected##*/}: $line" ;;
  esac
done <"$expected"
[[ $want_exit =~ ^[0-9]+$ ]] || fail "${expected##*/} gives no exit status"
[[ ${#want_status[@]} -gt 0 ]] || fail "${expected##*/} gives no status line"

rm -rf "$work"
mkdir -p "$work"
# What an earlier run left: a print file and one result file, with CR LF ends, a byte that is
# no ASCII and no final line end. The other two result files do not exist yet.
earlier=$'EARLIER RUN\r\n\r\n  a line from before, \xe9\xff\r\nno line end here'
printf '%s' "$earlier" >"$work/before"
cp "$work/before" "$work/case.prt"
cp "$work/before" "$work/case_strain.cal"

(cd "$work" && "$batch" "$data" --print "$work/case.prt" "${args[@]}") >"$work/stdout" 2>"$work/stderr"
got_exit=$?

problems=()
[[ $got_exit == "$want_exit" ]] || problems+=("exit status $got_exit, expected $want_exit")

# Lines that give the reason behind a failure ("tenzio-batch: ...") are not status lines.
mapfile -t got_status < <(grep -av '^tenzio-batch: ' "$work/stderr")
same=$([[ ${#got_status[@]} == "${#want_status[@]}" ]] && echo 1 || echo 0)
for i in "${!want_status[@]}"; do
  [[ ${got_status[i]-} == "${want_status[i]}" ]] || same=0
done
if [[ $same != 1 ]]; then
  problems+=("status lines were:$(printf '\n    %s' "${got_status[@]}")
  expected:$(printf '\n    %s' "${want_status[@]}")")
fi

size=$(stat -c %s "$work/before")
for f in case.prt case_strain.cal; do
  if ! cmp -s -n "$size" "$work/before" "$work/$f" || [[ $(stat -c %s "$work/$f") -lt $size ]]; then
    problems+=("$f lost its earlier content")
  elif [[ $got_exit != 0 ]] && ! cmp -s "$work/before" "$work/$f"; then
    problems+=("$f was written to by a failed run")
  fi
done
if [[ $got_exit != 0 ]]; then
  for f in case_tensor.cal case_prin.cal; do
    [[ ! -e $work/$f ]] || problems+=("$f was created by a failed run")
  done
elif [[ $(stat -c %s "$work/case.prt") -le $size ]]; then
  problems+=("a completed run wrote nothing to the print file")
fi

if [[ -n $want_calcs ]]; then
  got_calcs=$(grep -a -c 'OUTPUT FROM CALCULATION NO\.' "$work/case.prt")
  [[ $got_calcs == "$want_calcs" ]] || problems+=("$got_calcs calculations in the print file, expected $want_calcs")
fi

if [[ ${#problems[@]} -gt 0 ]]; then
  printf 'FAIL %s:\n' "${data##*/}" >&2
  printf '  - %s\n' "${problems[@]}" >&2
  exit 1
fi
echo "ok ${data##*/}"
