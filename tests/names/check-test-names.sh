#!/usr/bin/env bash
# The names of the tests, as `ctest -N` lists them in BUILD_DIR, are readable and short enough
# that no line of ctest's output passes 120 columns: ctest pads every line to the longest name, so
# a name may take at most 76 characters. A name that shows an object's bytes or an address is
# neither readable nor the same from build to build.
set -euo pipefail
build=${1:?usage: check-test-names.sh BUILD_DIR}
cd "$build"
names=$(ctest -N | sed -n 's/^ *Test *#[0-9]*: //p')
if [ -z "$names" ]; then
    echo "check-test-names.sh: ctest -N lists no tests in $build" >&2
    exit 1
fi
status=0
while IFS= read -r name; do
    if [ ${#name} -gt 76 ]; then
        echo "longer than 76 characters (${#name}): $name" >&2
        status=1
    fi
    case $name in
        *GetParam*|*byte\ object*|*0x[0-9a-f][0-9a-f]*|*[![:print:]]*)
            echo "shows an object's bytes, an address or an unprintable character: $name" >&2
            status=1 ;;
    esac
done <<<"$names"
exit $status
