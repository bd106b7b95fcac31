#!/usr/bin/env bash
# The README's Meson and Make recipes against an installed Hexcrate: build
# them, run what they carry, and check that a touched input recompiles
# nothing while new content of the same size is rebuilt: the source that
# includes it for incbin (taken from the README's section "Using Hexcrate
# from Meson or Make"), the C file alone for source (recipes-source/, with
# the README's main.cpp).
# Usage: recipes_test.sh HEXCRATE-BUILD-DIR CMAKE
set -u
build=$1 cmake=$2
# shellcheck source-path=SCRIPTDIR source=install_prefix.sh
. "$(dirname "$0")/install_prefix.sh"
export PATH=$work/prefix/bin:$PATH CPLUS_INCLUDE_PATH=$work/prefix/include

# recipe NAME SOURCE-DIR BUILD-COMMAND REBUILT: REBUILT matches the one
# compilation that new content of the same size must cause.
recipe() {
    local name=$1 src=$2 build_command=$3 rebuilt=$4 out=$2/out log=$work/log
    rebuild() { (cd "$src" && eval "$build_command") >"$log" 2>&1 || fatal "$name build"; }
    run() {
        rm -f "$src"/*-copy.*
        (cd "$src" && "$out/consumer") && cmp -s "$src/payload.bin" "$src/payload-copy.bin" &&
            cmp -s "$src/greeting.txt" "$src/greeting-copy.txt"
    }
    compilations() { grep -e ' -c ' "$log"; }  # the link lines name objects too
    compiled() { compilations | grep -q -E 'main\.cpp|payload\.c\b'; }

    rebuild
    expect "$name: the program gives back both files" run
    touch "$src/payload.bin"
    rebuild
    expect "$name: a touched input recompiles nothing" test -z "$(compiled && echo yes)"
    rebuild
    expect "$name: then the build does nothing" test -z "$(grep -E 'hexcrate-convert|main' "$log")"
    head -c 5000 /dev/urandom >"$src/payload.bin"  # same size, new bytes
    rebuild
    expect "$name: new content of the same size rebuilds $rebuilt alone" \
        test "$(compilations | grep -c -E 'main\.cpp|payload\.c\b') $(compilations | grep -c -E "$rebuilt")" = "1 1"
    expect "$name: the program gives back the new file" run
}

new_source() {  # new_source readme|RECIPES: a fresh copy of the project with its inputs
    rm -rf "$work/src"
    python3 "$here/readme_blocks.py" "$here/../../README.md" "Using Hexcrate from Meson or Make" \
        "$work/src" >/dev/null || fatal "the README's recipes"
    if [ "$1" != readme ]; then
        rm "$work/src/Makefile" "$work/src/meson.build" && cp "$here/$1"/* "$work/src"
    fi
    head -c 5000 /dev/urandom >"$work/src/payload.bin"
    echo "Hello from a header" >"$work/src/greeting.txt"
}

if command -v meson >/dev/null && command -v ninja >/dev/null; then
    new_source readme
    meson setup "$work/src/out" "$work/src" >"$work/log" 2>&1 || fatal "meson setup"
    recipe Meson "$work/src" "ninja -v -C out" 'main\.cpp'
    new_source recipes-source
    meson setup "$work/src/out" "$work/src" >"$work/log" 2>&1 || fatal "meson setup (source)"
    recipe "Meson, source" "$work/src" "ninja -v -C out" 'payload\.c'
else
    skip_part "Meson recipes: not installed: meson or ninja"
fi

new_source readme
recipe Make "$work/src" "make && mkdir -p out && cp consumer out/" 'main\.cpp'
new_source recipes-source
recipe "Make, source" "$work/src" "make && mkdir -p out && cp consumer out/" 'payload\.c'

finish
