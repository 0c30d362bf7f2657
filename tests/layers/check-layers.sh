#!/usr/bin/env bash
# Fails when a folder includes a header of a layer above it. Data flows one way:
# LIBRARIES <- calc <- input, fit, format <- output <- report, export, plots (side by side) <- run <- cli, shell.
# Within plots, data/ (free of Qt) never includes draw/ (Qt).
#
#   check-layers.sh SOURCE_DIR
set -uo pipefail
root=$1
declare -A allowed=(
  [LIBRARIES/math]="LIBRARIES/math"
  [LIBRARIES/records]="LIBRARIES/records"
  [LIBRARIES/text]="LIBRARIES/text"
  [calc]="LIBRARIES/math calc"
  [input]="LIBRARIES/math LIBRARIES/text calc input"
  [fit]="LIBRARIES/math LIBRARIES/text calc fit"
  [format]="LIBRARIES/math LIBRARIES/text calc format"
  [output]="LIBRARIES/math calc fit output"
  [report]="LIBRARIES/math LIBRARIES/records LIBRARIES/text calc fit format output report"
  [export]="LIBRARIES/math LIBRARIES/text calc fit format output export"
  [plots]="LIBRARIES/math LIBRARIES/text calc fit format output plots"
  [plots/data]="LIBRARIES/math LIBRARIES/text calc fit format output plots/data"
  [run]="LIBRARIES/math LIBRARIES/records LIBRARIES/text calc input fit format output report export run"
)
status=0
for folder in "${!allowed[@]}"; do
  [[ -d $root/$folder ]] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    header=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"${hit#*:}")
    ok=0
    for layer in ${allowed[$folder]}; do
      [[ $header == "$layer"/* ]] && ok=1
    done
    # A header beside the file itself, named without folder.
    [[ $header != */* ]] && ok=1
    if [[ $ok == 0 ]]; then
      echo "${file#"$root"/} includes $header, a layer above $folder" >&2
      status=1
    fi
  done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$root/$folder" --include='*.hpp' --include='*.cpp')
done
[[ $status == 0 ]] && echo "every include goes down"
exit $status
