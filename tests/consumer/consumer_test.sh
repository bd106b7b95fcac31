#!/usr/bin/env bash
# A project built against an installed Hexcrate: install into a temporary
# prefix, build the consumer in tests/consumer/project with Make (and Ninja
# where it is installed), run what it carries, and check that rebuilds redo
# exactly what changed.
# Usage: consumer_test.sh HEXCRATE-BUILD-DIR CMAKE CXX
set -u
build=$1 cmake=$2 cxx=$3
. "$(dirname "$0")/install_prefix.sh"

consumer() {  # consumer GENERATOR
    local generator=$1 dir=$work/build-${1// /-}
    local header=$dir/payload.h log=$work/log
    rebuild() { "$cmake" --build "$dir" >"$log" 2>&1 || fatal "$generator build"; }
    run() {
        rm -f "$work/out1" "$work/out2"
        "$dir/consumer" "$work/out1" "$work/out2" && cmp -s "$work/payload.bin" "$work/out1" &&
            cmp -s "$here/project/greeting.txt" "$work/out2"
    }
    times() { stat -c %y "$header" "$dir/consumer"; }

    head -c 70001 /dev/urandom > "$work/payload.bin"
    "$cmake" -G "$generator" -S "$here/project" -B "$dir" -DCMAKE_PREFIX_PATH="$work/prefix" \
        -DCMAKE_CXX_COMPILER="$cxx" -DPAYLOAD="$work/payload.bin" >"$log" 2>&1 ||
        fatal "$generator configure"
    rebuild
    expect "$generator: first build converts all three inputs" test "$(grep -c 'Converting' "$log")" = 3
    expect "$generator: the program gives back both files" run

    # Same content, newer time: converted again, but header and program stay.
    local before
    before=$(times)
    touch "$work/payload.bin"
    rebuild
    expect "$generator: a touched input is converted again" grep -q 'Converting.*payload.bin' "$log"
    expect "$generator: an identical header is left alone" test "$(times)" = "$before"
    rebuild
    expect "$generator: an unchanged build does nothing" \
        test -z "$(grep -E 'Converting|Building|Linking' "$log")"

    # New content of the same size: the assembler must read the input again.
    head -c 70001 /dev/urandom > "$work/payload.bin"
    rebuild
    expect "$generator: changed input recompiles one source" \
        test "$(grep -c 'Building CXX' "$log")" = 1
    expect "$generator: the program gives back the new file" run
}

consumer "Unix Makefiles"
command -v ninja >/dev/null && consumer Ninja

finish
