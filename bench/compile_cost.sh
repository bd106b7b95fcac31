#!/usr/bin/env bash
# What compiling a generated header costs: for each kind, size and compiler,
# converts that many random bytes and compiles one source file that includes
# the header and extracts it, under /usr/bin/time -v. Prints one Markdown
# row per kind and size: CPU seconds (user + system) and peak memory in MiB.
# Compilers are limited to MEMORY_LIMIT_KB of address space (default 16 GiB)
# so that a run that would exhaust the machine reports "out of memory".
# Usage: compile_cost.sh CONVERTER "KINDS" "SIZES-IN-MIB" "COMPILERS"
# e.g.   compile_cost.sh build/hexcrate-convert "hex string" "1 8" "g++ clang++"
# The rc kind includes <windows.h>: measure it with a Windows compiler
# (x86_64-w64-mingw32-g++-posix); elsewhere its row says "failed".
set -u
convert=$(realpath "$1") kinds=$2 sizes=$3 compilers=$4
include=$(cd "$(dirname "$0")/../include" && pwd)
limit=${MEMORY_LIMIT_KB:-16777216}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cat >main.cpp <<'EOF'
#include <hexcrate/extract_support.h>
#include "data.h"
int main(int argc, char** argv) { return argc > 1 && CDataFile().ExtractFile(argv[1]) ? 0 : 1; }
EOF

# "12.3 s, 456 MiB" for one compilation, or why it failed.
measure() {  # measure COMPILER
    if ! (ulimit -v "$limit"; /usr/bin/time -v "$1" -std=c++17 -O2 -I"$include" -I. \
            -c main.cpp -o main.o) 2>time.log; then
        grep -q -i 'memory' time.log && echo "out of memory" || echo "failed"
        return
    fi
    awk -F': ' '/User time/ {u = $2} /System time/ {s = $2}
        /Maximum resident set size/ {m = $2}
        END {printf "%.2f s, %d MiB", u + s, m / 1024}' time.log
}

for kind in $kinds; do
    for size in $sizes; do
        rm -f data.bin data.h data.rc
        head -c $((size * 1024 * 1024)) /dev/urandom >data.bin
        option=(--data="$kind"); [ "$kind" = hex ] && option=()  # hex: the default
        "$convert" -q "${option[@]}" data.bin || { echo "| $kind | $size MiB | conversion failed |"; continue; }
        header=$(du -m data.h | cut -f1)
        row="| $kind | $size MiB ($header MiB header) |"
        for compiler in $compilers; do row="$row $(measure "$compiler") |"; done
        echo "$row"
    done
done
