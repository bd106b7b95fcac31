#!/usr/bin/env bash
# Generated headers compiled outside MFC through the support header: every
# size around a line in one program, built with both compilers in the oldest
# and newest standards (and C++17 with the project's compiler); each build
# extracts every header and checks how failures are reported.
# Usage: compile_test.sh CONVERTER CXX
set -u
convert=$1 cxx=$2
here=$(cd "$(dirname "$0")" && pwd)
include=$here/../../include
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0 failed=0

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

: >headers.inc; : >list.inc
for size in 0 1 15 16 17 4099 70000; do
    head -c "$size" /dev/urandom > "data$size.bin"
    "$convert" -q "data$size.bin"
    echo "#include \"data$size.h\"" >>headers.inc
    echo "X(CData${size}File, \"back$size.bin\")" >>list.inc
done
compilers=("$cxx")
for other in g++ clang++; do
    [ "$(basename "$cxx")" != "$other" ] && command -v "$other" >/dev/null && compilers+=("$other")
done
for compiler in "${compilers[@]}"; do
    standards="c++11 c++17 c++2b"
    [ "$compiler" = "$cxx" ] || standards="c++11 c++2b"
    for std in $standards; do
        rm -f back*.bin
        if "$compiler" -std=$std -Wall -Wextra -Werror -I"$include" -I. "$here/extract_main.cpp" \
                -o extract 2>compile.log && ./extract; then
            for size in 0 1 15 16 17 4099 70000; do
                cmp -s "data$size.bin" "back$size.bin" || { echo "  $size bytes differ"; false; }
            done
        else
            false
        fi
        expect "$(basename "$compiler") -std=$std: compiles, extracts, reports failures" test $? -eq 0
        [ -s compile.log ] && cat compile.log
    done
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
