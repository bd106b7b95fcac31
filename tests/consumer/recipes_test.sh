#!/usr/bin/env bash
# The README's Meson and Make recipes against an installed Hexcrate, taken
# from its section "Using Hexcrate from Meson or Make": build them, run what
# they carry, and check that a touched input recompiles nothing while new
# content of the same size is rebuilt.
# Usage: recipes_test.sh HEXCRATE-BUILD-DIR CMAKE
set -u
build=$1 cmake=$2
# shellcheck source-path=SCRIPTDIR source=install_prefix.sh
. "$(dirname "$0")/install_prefix.sh"
export PATH=$work/prefix/bin:$PATH CPLUS_INCLUDE_PATH=$work/prefix/include

# recipe NAME SOURCE-DIR BUILD-COMMAND
recipe() {
    local name=$1 src=$2 build_command=$3 out=$2/out log=$work/log
    rebuild() { (cd "$src" && eval "$build_command") >"$log" 2>&1 || fatal "$name build"; }
    run() {
        rm -f "$src"/*-copy.*
        (cd "$src" && "$out/consumer") && cmp -s "$src/payload.bin" "$src/payload-copy.bin" &&
            cmp -s "$src/greeting.txt" "$src/greeting-copy.txt"
    }
    compiled() { grep -q -E 'main\.cpp|main\.o' "$log"; }

    rebuild
    expect "$name: the program gives back both files" run
    touch "$src/payload.bin"
    rebuild
    expect "$name: a touched input recompiles nothing" test -z "$(compiled && echo yes)"
    rebuild
    expect "$name: then the build does nothing" test -z "$(grep -E 'hexcrate-convert|main' "$log")"
    head -c 5000 /dev/urandom >"$src/payload.bin"  # same size, new bytes
    rebuild
    expect "$name: new content of the same size is rebuilt" compiled
    expect "$name: the program gives back the new file" run
}

new_source() {  # a fresh copy of the project with its inputs
    rm -rf "$work/src"
    python3 "$here/readme_blocks.py" "$here/../../README.md" "Using Hexcrate from Meson or Make" \
        "$work/src" >/dev/null || fatal "the README's recipes"
    head -c 5000 /dev/urandom >"$work/src/payload.bin"
    echo "Hello from a header" >"$work/src/greeting.txt"
}

if command -v meson >/dev/null && command -v ninja >/dev/null; then
    new_source
    meson setup "$work/src/out" "$work/src" >"$work/log" 2>&1 || fatal "meson setup"
    recipe Meson "$work/src" "ninja -v -C out"
else
    skip_part "Meson recipe: not installed: meson or ninja"
fi

new_source
recipe Make "$work/src" "make && mkdir -p out && cp consumer out/"

finish
