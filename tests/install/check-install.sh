#!/usr/bin/env bash
# Installs the build tree into a temporary prefix, then checks the file list (nothing missing,
# nothing extra, nothing outside the prefix), the desktop entry and the metainfo (when their
# validators are installed), the man pages, and runs the installed programs.
#
#   check-install.sh BUILD_DIR WORK_DIR EXAMPLES_DIR VERSION GUI BATCH_MAN ICON_PNGS [PYTHON_MODULE PYTHON]
#   (flags 1 or 0; PYTHON_MODULE the module's path under the prefix, empty or absent when it is not
#   built; PYTHON the interpreter to try it with, empty or absent to leave it untried)
set -uo pipefail

build=$1 work=$2 examples=$3 version=$4 gui=$5 batch_man=$6 pngs=$7 python_module=${8:-} python=${9:-}
id=io.github.tenzio.Tenzio
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
}

# The file list.
expected=(bin/tenzio-batch share/doc/tenzio/README.md share/doc/tenzio/copyright)
while IFS= read -r f; do expected+=("share/doc/tenzio/docs/$f"); done < <(cd "$examples/../docs" && find . -name '*.md' -printf '%P\n')
while IFS= read -r f; do expected+=("share/doc/tenzio/examples/$f"); done \
  < <(cd "$examples" && find . -type f \( -name '*.dat' -o -name '*.cif' -o -name SOURCES.md -o -name '*.py' \) -printf '%P\n')
[[ $batch_man == 1 ]] && expected+=(share/man/man1/tenzio-batch.1.gz)
[[ -n $python_module ]] && expected+=("$python_module")
if [[ $gui == 1 ]]; then
  expected+=(bin/tenzio lib/tenzio/tenzio_plotwriter.so share/man/man1/tenzio.1.gz "share/applications/$id.desktop"
    "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg")
  if [[ $pngs == 1 ]]; then
    for size in 16 24 32 48 64 128 256; do
      expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
    done
  fi
fi
diff -u <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f -printf '%P\n' | sort) ||
  fail "installed files differ from the list above (-: missing, +: extra)"
while IFS= read -r path; do
  [[ $path == "$prefix"/* ]] || fail "installed outside the prefix: $path"
done <"$build/install_manifest.txt"

# Each PNG has the size its folder names (width and height from the PNG header).
for png in "$prefix"/share/icons/hicolor/*x*/apps/*.png; do
  [[ -f $png ]] || continue
  size=${png#"$prefix"/share/icons/hicolor/}
  size=${size%%x*}
  read -r -a dims < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [[ ${dims[0]:-} == "$size" && ${dims[1]:-} == "$size" ]] || fail "$png is ${dims[*]:-unreadable}, not $size x $size"
done

# Validators and man pages, where their tools are installed.
if [[ $gui == 1 ]]; then
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop entry is not valid"
  else
    echo "SKIP: desktop-file-validate is not installed"
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo is not valid"
  else
    echo "SKIP: appstreamcli is not installed"
  fi
  grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "metainfo does not name release $version"
fi
if command -v man >/dev/null; then
  for page in "$prefix"/share/man/man1/*.1.gz; do
    [[ -f $page ]] || continue
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "${page##*/} has formatting warnings: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep -q "$version" || fail "${page##*/} does not show $version"
  done
fi

# The installed programs: their versions, and a run of an installed example.
[[ $("$prefix/bin/tenzio-batch" --version) == "tenzio-batch $version" ]] || fail "tenzio-batch --version"
if [[ $gui == 1 ]]; then
  [[ $(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/tenzio" --version) == "tenzio $version" ]] || fail "tenzio --version"
fi
mkdir -p "$work/run"
if "$prefix/bin/tenzio-batch" "$prefix/share/doc/tenzio/examples/phenylpiracetam_triclinic_T.dat" \
  --print "$work/run/run.prt" 2>"$work/run/status"; then
  for f in run.prt run_strain.cal run_tensor.cal run_prin.cal; do
    [[ -s $work/run/$f ]] || fail "the example run wrote no $f"
  done
else
  fail "the example run failed: $(cat "$work/run/status")"
fi
# The installed batch command finds its plot writer under the prefix.
if [[ $gui == 1 ]]; then
  if "$prefix/bin/tenzio-batch" "$prefix/share/doc/tenzio/examples/phenylpiracetam_triclinic_T.dat" \
    --plots "$work/plots" 2>"$work/plots-status"; then
    for f in coefficients strains cell surface; do
      [[ -s $work/plots/phenylpiracetam_triclinic_T_$f.svg ]] || fail "--plots wrote no ${f}.svg"
    done
  else
    fail "the example run with --plots failed: $(cat "$work/plots-status")"
  fi
fi
# The installed module, found where the prefix's Python packages go, runs an installed example.
if [[ -n $python_module && -n $python ]]; then
  volume=$(cd "$work" && PYTHONPATH="$prefix/${python_module%/*}" "$python" -c "import tenzio; \
print(tenzio.run(tenzio.read('$prefix/share/doc/tenzio/examples/periclase_cubic_T.dat'))['fits']['linear']['volume']['status'])" 2>&1)
  [[ $volume == ok ]] || fail "the installed Python module: $volume"
fi

if [[ $failures -gt 0 ]]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed and checked: ${#expected[@]} files under $prefix"
