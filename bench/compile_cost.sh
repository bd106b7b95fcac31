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
# The source kind's C file is compiled too, by the C compiler of the same
# family (gcc for g++, clang for clang++): its row sums the CPU time of both
# compilations and gives the larger peak. The kind `embed` is no converter
# kind but C23's #embed of the same file in a C file, for comparison: it
# needs a compiler that has it (clang-19; give clang++-19).
set -u
convert=$(realpath "$1") kinds=$2 sizes=$3 compilers=$4
include=$(cd "$(dirname "$0")/../include" && pwd)
limit=${MEMORY_LIMIT_KB:-16777216}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

cat >main.cpp <<'EOF'
#include <hexcrate/extract_support.h>
#include "data.h"
int main(int argc, char** argv) { return argc > 1 && CDataFile().ExtractFile(argv[1]) ? 0 : 1; }
EOF

cat >embed.c <<'EOF'
const unsigned char datafile[] = {
#embed "data.bin"
};
EOF

# One compilation under time -v, its report appended to time.log.
timed() {  # timed COMMAND...
    (ulimit -v "$limit"; /usr/bin/time -v -a -o time.log "$@") 2>compile.log
}

# "12.3 s, 456 MiB" for the kind's compilations, or why they failed.
measure() {  # measure KIND COMPILER
    local cc=${2/clang++/clang} ok=1
    cc=${cc/g++/gcc}
    : >time.log
    case $1 in
        embed) timed "$cc" -std=c2x -O2 -c embed.c -o embed.o || ok=0 ;;
        source) timed "$2" -std=c++17 -O2 -I"$include" -I. -c main.cpp -o main.o &&
                    timed "$cc" -O2 -c data.c -o data.o || ok=0 ;;
        *) timed "$2" -std=c++17 -O2 -I"$include" -I. -c main.cpp -o main.o || ok=0 ;;
    esac
    if [ $ok = 0 ]; then
        grep -q -i 'memory' compile.log time.log && echo "out of memory" || echo "failed"
        return
    fi
    awk -F': ' '/User time/ {u += $2} /System time/ {s += $2}
        /Maximum resident set size/ {if ($2 > m) m = $2}
        END {printf "%.2f s, %d MiB", u + s, m / 1024}' time.log
}

for kind in $kinds; do
    for size in $sizes; do
        rm -f data.bin data.h data.rc data.c
        head -c $((size * 1024 * 1024)) /dev/urandom >data.bin
        option=(--data="$kind"); [ "$kind" = hex ] && option=()  # hex: the default
        if [ "$kind" = embed ]; then
            row="| $kind | $size MiB |"
        else
            "$convert" -q "${option[@]}" data.bin ||
                { echo "| $kind | $size MiB | conversion failed |"; continue; }
            text=$(du -m -c data.h data.c 2>/dev/null | tail -1 | cut -f1)
            row="| $kind | $size MiB ($text MiB of text) |"
        fi
        for compiler in $compilers; do row="$row $(measure "$kind" "$compiler") |"; done
        echo "$row"
    done
done
