#!/usr/bin/env bash
# A project built against an installed Hexcrate: install into a temporary
# prefix, build the consumer in tests/consumer/project with Make (and Ninja
# where it is installed), run what it carries, and check that rebuilds redo
# exactly what changed; the payload as incbin, source and auto (source for
# gcc and clang, its C file the one thing rebuilt for new content). With
# `windows`, the same project cross-built with mingw-w64 and run under Wine
# instead.
# Usage: consumer_test.sh HEXCRATE-BUILD-DIR CMAKE CXX [windows]
set -u
build=$1 cmake=$2 cxx=$3 mode=${4:-linux}
if [ "$mode" = windows ]; then
    # shellcheck source-path=SCRIPTDIR source=../support/skip.sh
    . "$(dirname "$0")/../support/skip.sh"
    need x86_64-w64-mingw32-g++-posix
    [ -x /usr/lib/wine/wine64 ] || skip "not installed: wine64"
fi
# shellcheck source-path=SCRIPTDIR source=install_prefix.sh
. "$(dirname "$0")/install_prefix.sh"

consumer() {  # consumer GENERATOR [DATA]
    local generator=$1 data=${2:-incbin} dir=$work/build-${1// /-}-${2:-incbin}
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
        -DCMAKE_CXX_COMPILER="$cxx" -DPAYLOAD="$work/payload.bin" -DPAYLOAD_DATA="$data" \
        >"$log" 2>&1 ||
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

    # New content of the same size: the assembler must read the input again,
    # or the C file alone is new.
    head -c 70001 /dev/urandom > "$work/payload.bin"
    rebuild
    if [ "$data" = incbin ]; then
        expect "$generator: changed input recompiles one source" \
            test "$(grep -c 'Building CXX' "$log")" = 1
    else
        expect "$generator $data: changed input recompiles its C file alone" \
            test "$(grep -c 'Building C object' "$log") $(grep -c 'Building CXX' "$log")" = "1 0"
    fi
    expect "$generator: the program gives back the new file" run
}

linux() {
    consumer "Unix Makefiles"
    consumer "Unix Makefiles" source
    if command -v ninja >/dev/null; then
        consumer Ninja
        consumer Ninja auto
        expect "auto is source for $cxx" test -f "$work/build-Ninja-auto/payload.c"
    else
        skip_part "not installed: ninja"
    fi

    # A C project: DATA auto picks source for its C compiler, and the program
    # reads the array and the length.
    mkdir -p "$work/c"
    head -c 70001 /dev/urandom >"$work/c/data.bin"
    cat >"$work/c/main.c" <<'EOF'
#include <stdio.h>
#include "data.h"
int main(int argc, char** argv) {
    FILE* out = argc > 1 ? fopen(argv[1], "wb") : NULL;
    return out && fwrite(datafile, 1, datalength, out) == datalength && fclose(out) == 0 ? 0 : 1;
}
EOF
    cat >"$work/c/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.20)
project(CConsumer C)
find_package(Hexcrate REQUIRED)
add_executable(app main.c)
hexcrate_add_header(app data.bin DATA auto)
EOF
    c_project() {
        "$cmake" -S "$work/c" -B "$work/c/build" -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/log" 2>&1 &&
            "$cmake" --build "$work/c/build" >>"$work/log" 2>&1 && "$work/c/build/app" "$work/c/back" &&
            cmp -s "$work/c/data.bin" "$work/c/back"
    }
    expect "a C project with DATA auto reads its bytes" c_project

    # Two inputs with one prefix in one target are refused when configuring.
    mkdir -p "$work/twice" && printf 'int main() {}\n' >"$work/twice/main.cpp"
    cat >"$work/twice/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.20)
project(Twice CXX)
find_package(Hexcrate REQUIRED)
add_executable(twice main.cpp)
hexcrate_add_header(twice a/logo.png DATA source)
hexcrate_add_header(twice b/logo.bmp DATA source OUTPUT logo2.h)
EOF
    "$cmake" -S "$work/twice" -B "$work/twice/build" -DCMAKE_PREFIX_PATH="$work/prefix" \
        >"$work/log" 2>&1
    expect "one prefix twice in a target is refused" grep -q 'second array named logofile' "$work/log"
}

# For Windows: the payload as a resource of the program, cross-built with
# mingw-w64 (the converter stays the installed Linux one) and run under Wine.
windows() {
    local dir=$work/build-win64 log=$work/log
    head -c 70001 /dev/urandom >"$work/payload.bin"
    "$cmake" -S "$here/project" -B "$dir" -DHexcrate_DIR="$work/prefix/lib/cmake/Hexcrate" \
        -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/mingw-w64-toolchain.cmake" \
        -DHEXCRATE_WIN_ARCH=x86_64 -DCMAKE_EXE_LINKER_FLAGS=-static \
        -DPAYLOAD="$work/payload.bin" -DPAYLOAD_DATA=rc >"$log" 2>&1 || fatal "Windows configure"
    "$cmake" --build "$dir" >"$log" 2>&1 || fatal "Windows build"
    expect "Windows: the .rc is built into the program" grep -q 'payload.rc' "$log"
    export WINEARCH=win64
    # shellcheck source-path=SCRIPTDIR source=../windows/wine_env.sh
    source "$here/../windows/wine_env.sh"
    run() {
        rm -f "$work/out1" "$work/out2"
        (cd "$work" && "$WINE" "$dir/consumer.exe" out1 out2) >"$log" 2>&1 &&
            cmp -s "$work/payload.bin" "$work/out1" &&
            cmp -s "$here/project/greeting.txt" "$work/out2"
    }
    expect "Windows: the program gives back both files" run
}
case $mode in
    linux | windows) $mode ;;
    *) echo "unknown mode '$mode' (linux or windows)"; exit 2 ;;
esac
finish
