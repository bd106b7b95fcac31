#!/usr/bin/env bash
# The README's Meson and Make recipes against an installed Hexcrate: build
# tests/consumer/recipes, run what it carries, and check that a touched
# input recompiles nothing while new content of the same size is rebuilt.
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
        rm -f "$work/copy1" "$work/copy2"
        "$out/consumer" "$work/copy1" "$work/copy2" && cmp -s "$src/payload.bin" "$work/copy1" &&
            cmp -s "$src/greeting.txt" "$work/copy2"
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
    rm -rf "$work/src" && cp -r "$here/recipes" "$work/src"
    head -c 5000 /dev/urandom >"$work/src/payload.bin"
    echo "Hello from a header" >"$work/src/greeting.txt"
}

if command -v meson >/dev/null && command -v ninja >/dev/null; then
    new_source
    meson setup "$work/src/out" "$work/src" >"$work/log" 2>&1 || fatal "meson setup"
    recipe Meson "$work/src" "ninja -v -C out"
else
    echo "skipped Meson: meson or ninja not installed"
fi

new_source
recipe Make "$work/src" "make && mkdir -p out && cp consumer out/"

finish
