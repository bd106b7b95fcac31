#!/usr/bin/env bash
# The README's Meson and Make recipes against an installed Hexcrate: build
# tests/consumer/recipes, run what it carries, and check that a touched
# input recompiles nothing while new content of the same size is rebuilt:
# the source that includes it for incbin (recipes/), the C file alone for
# source (recipes-source/).
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
        rm -f "$work/copy1" "$work/copy2"
        "$out/consumer" "$work/copy1" "$work/copy2" && cmp -s "$src/payload.bin" "$work/copy1" &&
            cmp -s "$src/greeting.txt" "$work/copy2"
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

new_source() {  # new_source RECIPES: a fresh copy of the project with its inputs
    rm -rf "$work/src" && cp -r "$here/$1" "$work/src" && cp "$here/recipes/main.cpp" "$work/src"
    head -c 5000 /dev/urandom >"$work/src/payload.bin"
    echo "Hello from a header" >"$work/src/greeting.txt"
}

if command -v meson >/dev/null && command -v ninja >/dev/null; then
    new_source recipes
    meson setup "$work/src/out" "$work/src" >"$work/log" 2>&1 || fatal "meson setup"
    recipe Meson "$work/src" "ninja -v -C out" 'main\.cpp'
    new_source recipes-source
    meson setup "$work/src/out" "$work/src" >"$work/log" 2>&1 || fatal "meson setup (source)"
    recipe "Meson, source" "$work/src" "ninja -v -C out" 'payload\.c'
else
    echo "skipped Meson: meson or ninja not installed"
fi

new_source recipes
recipe Make "$work/src" "make && mkdir -p out && cp consumer out/" 'main\.cpp'
new_source recipes-source
recipe "Make, source" "$work/src" "make && mkdir -p out && cp consumer out/" 'payload\.c'

finish
