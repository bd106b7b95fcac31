#!/usr/bin/env bash
# Every kind of header in a real program: one converter run writes the
# headers of several inputs (sizes around a literal's line, and a file name
# with a space and non-ASCII letters for the kinds that name their input),
# then g++ and clang++ build a program that extracts them all and reads
# them through the support header, and the bytes are compared (for the
# source kind, with the C files built by gcc and clang as C). With
# `windows`, the Windows cross-compiler does the same for string, incbin and
# source, and for rc with windres, in a program and in a DLL, run under
# 64-bit Wine.
# Usage: kinds_compile_test.sh CONVERTER [windows]
set -u
shopt -s nullglob  # no .o or .c: no words
convert=$(realpath "$1")
mode=${2:-linux}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/skip.sh
. "$here/../support/skip.sh"
include=$here/../../include
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
sizes="0 1 63 64 65 70000"

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

# Makes folder KIND with the inputs, their headers and the lists the
# program includes.
prepare() {  # prepare KIND
    local kind=$1 dir=$work/$1 inputs=()
    mkdir -p "$dir" && cd "$dir" || return 1
    : >headers.inc; : >list.inc
    for size in $sizes; do
        head -c "$size" /dev/urandom >"data$size.bin"
        inputs+=("data$size.bin")
        echo "#include \"data$size.h\"" >>headers.inc
        echo "X(CData${size}File, data$size, \"back$size.bin\")" >>list.inc
    done
    head -c 300 /dev/urandom >"odd näme.bin"
    "$convert" -q --data="$kind" "${inputs[@]}" || return 1
    "$convert" -q --data="$kind" -n odd -c COdd "odd näme.bin" || return 1
    echo '#include "odd näme.h"' >>headers.inc
    echo 'X(COdd, odd, "backodd.bin")' >>list.inc
}

compare() {
    local size
    for size in $sizes; do cmp -s "data$size.bin" "back$size.bin" || return 1; done
    cmp -s "odd näme.bin" backodd.bin
}

# The source kind's C files as objects, built by C compiler CC with any
# further options.
c_objects() {  # c_objects CC OPTION...
    local source
    for source in ./*.c; do
        "$@" -c "$source" -o "${source%.c}.o" || return 1
    done
}

linux() {
    for kind in string incbin source; do
        expect "$kind: one run writes every header" prepare $kind
        for compiler in g++ clang++; do
            command -v $compiler >/dev/null || { skip_part "not installed: $compiler"; continue; }
            cc=gcc; [ $compiler = clang++ ] && cc=clang
            for std in c++11 c++20; do
                rm -f back* ./*.o
                c_objects $cc -std=c99 -O2 -Wall -Wextra -Werror 2>compile.log &&
                $compiler -std=$std -O2 -Wall -Wextra -Werror -I"$include" -I. \
                    "$here/kinds_main.cpp" ./*.o -o extract 2>>compile.log && ./extract && compare
                expect "$kind: $compiler -std=$std builds, extracts, views" test $? -eq 0
                [ -s compile.log ] && cat compile.log
            done
        done
    done
}

# The Windows compilers and 64-bit Wine.
windows() {
    local mingw=x86_64-w64-mingw32-g++-posix windres=x86_64-w64-mingw32-windres
    need $mingw $windres
    [ -x /usr/lib/wine/wine64 ] || skip "not installed: wine64"
    export WINEARCH=win64
    # shellcheck source=../windows/wine_env.sh
    source "$here/../windows/wine_env.sh"
    run() { rm -f back*; "$WINE" "$1" && compare; }
    for kind in string incbin source; do
        expect "$kind: one run writes every header" prepare $kind
        cd "$work/$kind" && rm -f ./*.o && c_objects x86_64-w64-mingw32-gcc-posix -O2 &&
            $mingw -std=c++17 -O2 -static -I"$include" -I. "$here/kinds_main.cpp" ./*.o \
                -o extract.exe
        expect "$kind: mingw builds, Wine extracts" run extract.exe
    done

    expect "rc: one run writes every header and .rc" prepare rc
    cat ./*.rc >all.rc
    $windres all.rc -O coff -o resources.o &&
        $mingw -std=c++17 -O2 -static -I"$include" -I. "$here/kinds_main.cpp" resources.o -o extract.exe
    expect "rc: windres and mingw build, Wine extracts" run extract.exe

    # In a DLL the resources are the DLL's, not the program's.
    printf '%s\n' 'int main();' 'extern "C" __declspec(dllexport) int Run() { return main(); }' \
        >dll.cpp
    printf '%s\n' 'extern "C" __declspec(dllimport) int Run();' 'int main() { return Run(); }' \
        >exe.cpp
    $mingw -std=c++17 -O2 -static -shared -I"$include" -I. "$here/kinds_main.cpp" dll.cpp \
        resources.o -o extract.dll -Wl,--out-implib,libextract.a &&
        $mingw -O2 -static exe.cpp -L. -lextract -o host.exe
    expect "rc: a DLL finds its own resources" run host.exe
}

case $mode in
    linux | windows) $mode ;;
    *) echo "unknown mode '$mode' (linux or windows)"; exit 2 ;;
esac
echo "$passed passed, $failed failed"
skip_status $failed
