#!/usr/bin/env bash
# The source kind with the tools that a team's build runs: a C program, one
# header included from three C++ sources, X11's <X11/Xmd.h> before the
# support header, a header and C file of different lengths (a run stopped
# between the two), ccache (hits on a clean rebuild, one miss for the C file
# of a changed input, nothing compiled for a touched one) and distcc with a
# daemon on 127.0.0.1 that cannot see the source tree (source and string
# compile there, incbin fails as a user would see it).
# Usage: source_kind_test.sh CONVERTER PART, PART one of c, three, x11,
# pair, ccache, distcc; a part whose tool is not installed exits 77.
set -u
convert=$(realpath "$1") part=$2
include=$(cd "$(dirname "$0")/../../include" && pwd)
work=$(mktemp -d)
daemon_dir=$(mktemp -d)
daemon=""
cleanup() {
    [ -n "$daemon" ] && kill -- "-$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
    rm -rf "$work" "$daemon_dir"
}
trap cleanup EXIT
passed=0 failed=0
skip() { echo "SKIP: $*"; exit 77; }

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

# A folder with SIZE random bytes in data.bin, converted as KIND.
convert_in() {  # convert_in DIR KIND SIZE
    mkdir -p "$1" && cd "$1" || exit 1
    head -c "$3" /dev/urandom >data.bin
    "$convert" -q --update --data="$2" data.bin
}

# Builds prog from the given files and checks what it extracts to back.
built_and_extracts() {  # built_and_extracts FILE...
    g++ -Wall -Werror -I"$include" "$@" -o prog && ./prog && cmp -s data.bin back
}

# A program that extracts the header data.h; more lines before it.
extract_main() {  # extract_main LINE...
    printf '%s\n' "$@" '#include <hexcrate/extract_support.h>' '#include "data.h"' \
        'int main() { return CDataFile().ExtractFile("back") ? 0 : 1; }' >main.cpp
}

# C: the array and its length, with sizeof as for the default header.
c_program() {  # c_program CC
    rm -f back.bin prog
    "$1" -std=c99 -Wall -Wextra -pedantic -Werror main.c data.c -o prog && ./prog back.bin &&
        cmp -s data.bin back.bin
}
part_c() {
    convert_in "$work/c" source 70001
    cat >main.c <<'EOF'
#include <stdio.h>
#include "data.h"
int main(int argc, char** argv) {
    FILE* out = argc > 1 ? fopen(argv[1], "wb") : NULL;
    if (!out || sizeof datafile != datalength) return 1;
    return fwrite(datafile, 1, datalength, out) == datalength && fclose(out) == 0 ? 0 : 1;
}
EOF
    for cc in gcc clang; do expect "C with $cc" c_program $cc; done
}

# C++: one header in three sources, each extracting; the array's size as
# sizeof sees it.
three_sources_made() {
    convert_in "$1" source "$2"
    for n in one two; do
        printf '%s\n' '#include <hexcrate/extract_support.h>' '#include "data.h"' \
            "bool $n(const char* path) { return CDataFile().ExtractFile(path); }" >$n.cpp
    done
    cat >three.cpp <<'EOF'
#include <hexcrate/extract_support.h>
#include "data.h"
static_assert(sizeof(datafile) == datalength, "the declared size");
bool one(const char* path);
bool two(const char* path);
int main() {
    return one("back1") && two("back2") && CDataFile().ExtractFile("back3") ? 0 : 1;
}
EOF
}
three_sources() {  # three_sources CXX
    rm -f back* prog
    "$1" -std=c++17 -Wall -Wextra -Werror -I"$include" one.cpp two.cpp three.cpp data.o -o prog &&
        ./prog && cmp -s data.bin back1 && cmp -s data.bin back2 && cmp -s data.bin back3
}
part_three() {
    three_sources_made "$work/three" 5000
    for cxx in g++ clang++; do
        cc=gcc; [ $cxx = clang++ ] && cc=clang
        $cc -c data.c -o data.o
        expect "three sources with $cxx" three_sources $cxx
    done
}

# X11's BOOL first, then every kind that carries the bytes in the build.
part_x11() {
    [ -f /usr/include/X11/Xmd.h ] || skip "X11's headers are not installed (x11proto-dev)"
    for kind in hex string source; do
        convert_in "$work/x11-$kind" $kind 100
        extract_main '#include <X11/Xmd.h>'
        sources=(main.cpp); [ $kind = source ] && { gcc -c data.c -o data.o; sources+=(data.o); }
        expect "X11's <X11/Xmd.h> first, $kind" built_and_extracts "${sources[@]}"
    done
    # Without X11, BOOL stays what it was.
    printf '%s\n' '#include <hexcrate/extract_support.h>' '#include <type_traits>' \
        'static_assert(std::is_same<BOOL, int>::value, "BOOL");' >bool.cpp
    expect "without X11, BOOL is int" g++ -I"$include" -fsyntax-only bool.cpp
}

# A run stopped between the C file and the header: a header of the old
# length does not link with the new C file; one of the same length does, and
# reads the C file's bytes.
part_pair() {
    convert_in "$work/pair" source 100
    cp data.h old.h
    head -c 101 /dev/urandom >data.bin && "$convert" -q --update --data=source data.bin
    extract_main && sed -i 's/data\.h/old.h/' main.cpp
    gcc -c data.c -o data.o
    g++ -I"$include" main.cpp data.o -o prog 2>link.log
    expect "an old header of another length fails to link" grep -q 'hexcrate_datafile_100' link.log
    cp data.h old.h
    head -c 101 /dev/urandom >data.bin && "$convert" -q --update --data=source data.bin
    expect "an update of the same length leaves the header alone" cmp -s data.h old.h
    gcc -c data.c -o data.o
    expect "the old header reads the new bytes" built_and_extracts main.cpp data.o
}

# ccache in a folder of its own, under a Make build of three sources.
ccache_build() {  # make's log in make.log, the statistics in stats
    ccache -z >/dev/null
    make >make.log 2>&1 || { cat make.log; return 1; }
    ccache --print-stats | tr '\t' ' ' >stats
}
stat_of() { awk -v key="$1" '$1 == key {print $2}' stats; }
compiles() { grep -c -e ' -c ' make.log; }
part_ccache() {
    command -v ccache >/dev/null || skip "ccache is not installed"
    export CCACHE_DIR=$work/ccache-dir CCACHE_NOHASHDIR=1
    three_sources_made "$work/ccache" 300000
    cat >Makefile <<EOF
CC = ccache gcc
CXX = ccache g++
CPPFLAGS = -I$include -MMD -MP
prog: one.o two.o three.o data.o
	\$(CXX) -o \$@ \$^
one.o two.o three.o: data.h
data.h.stamp: data.bin
	"$convert" -q --update --data=source data.bin
	@touch \$@
data.h data.c: data.h.stamp ;
.SECONDARY:
-include one.d two.d three.d
EOF
    touch -d '1 minute ago' data.bin data.h data.c
    ccache_build && rm -f ./*.o prog && ccache_build
    local hits=$(($(stat_of direct_cache_hit) + $(stat_of preprocessed_cache_hit)))
    expect "ccache: a clean rebuild is all hits" test "$hits $(stat_of cache_miss)" = "4 0"
    head -c 300000 /dev/urandom >data.bin
    ccache_build
    expect "ccache: a changed input recompiles its C file alone, a miss" \
        test "$(compiles) $(grep -c ' -c .*data\.c' make.log) $(stat_of cache_miss)" = "1 1 1"
    expect "ccache: the program has the new bytes" ./prog
    expect "ccache: ... and gives them back" cmp -s data.bin back3
    touch data.bin
    ccache_build
    expect "ccache: a touched input compiles nothing" test "$(compiles) $(stat_of cache_miss)" = "0 0"
}

# The daemon's count of compilations; built from objects that all came
# from the daemon since it counted BEFORE.
remote() { grep -c 'COMPILE_OK' "$daemon_dir/log"; }
from_daemon() {  # from_daemon BEFORE OBJECT...
    local before=$1; shift
    built_and_extracts "$@" && [ $(($(remote) - before)) -eq $# ]
}

# distcc: a daemon on 127.0.0.1 in a mount namespace where the work folder
# is an empty tmpfs, so that it sees only what distcc sends it.
part_distcc() {
    command -v distccd >/dev/null || skip "distcc is not installed"
    setsid unshare --mount --propagation private true 2>/dev/null ||
        skip "no mount namespace to hide the sources from distccd (needs root)"
    local port=$((20000 + RANDOM % 20000))
    # shellcheck disable=SC2016 # expanded by the daemon's shell
    setsid unshare --mount --propagation private sh -c \
        'mount -t tmpfs tmpfs "$1" && exec distccd --no-detach --daemon --allow 127.0.0.1 \
            --listen 127.0.0.1 --port "$2" --log-stderr --log-level info --jobs 2' \
        sh "$work" "$port" 2>"$daemon_dir/log" &
    daemon=$!
    for _ in $(seq 50); do grep -q 'listening' "$daemon_dir/log" 2>/dev/null && break; sleep 0.1; done
    # Every compilation on the daemon, none retried here.
    export DISTCC_HOSTS=127.0.0.1:$port DISTCC_FALLBACK=0 DISTCC_SKIP_LOCAL_RETRY=1
    export DISTCC_DIR=$work/distcc-dir
    mkdir -p "$DISTCC_DIR"
    for kind in source string; do
        convert_in "$work/distcc-$kind" $kind 70001
        extract_main
        local before objects=(main.o)
        before=$(remote)
        distcc g++ -I"$include" -c main.cpp -o main.o 2>distcc.log
        [ $kind = source ] && { distcc gcc -c data.c -o data.o 2>>distcc.log; objects+=(data.o); }
        expect "distcc: $kind compiles on the daemon" from_daemon "$before" "${objects[@]}"
    done
    convert_in "$work/distcc-incbin" incbin 70001
    extract_main
    distcc g++ -I"$include" -c main.cpp -o main.o 2>distcc.log
    expect "distcc: incbin fails where the input is out of sight" \
        grep -q "Error: file not found: $work/distcc-incbin/data.bin" distcc.log
    echo "distcc with incbin, as a user sees it:"
    grep -i 'error' distcc.log | head -3
}

case $part in
    c | three | x11 | pair | ccache | distcc) "part_$part" ;;
    *) echo "unknown part $part"; exit 2 ;;
esac
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
