#!/usr/bin/env bash
# The converter told to stop mid-conversion ends with 128+N and leaves
# nothing behind; a file size limit is an ordinary write error. The same
# signals on every kind of file system, FAT through FUSE among them, are in
# tests/core/nothing_left_test.cpp.
# Usage: signals_test.sh CONVERTER
set -u
# Job control: background jobs would otherwise ignore SIGINT and SIGQUIT.
set -m
convert=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0 failed=0
expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

# Stops a conversion into DIR with SIGNAL once its temporary exists; the
# folder must then hold only what it held before.
stop_midway() {  # stop_midway DIR SIGNAL
    local dir=$1 signal=$2 before status
    before=$(ls -A "$dir")
    "$convert" -q big.bin -o "$dir/big.h" 2>/dev/null &
    local pid=$!
    # Once the converter has its temporary open, named or not.
    for _ in $(seq 200); do
        ls -l /proc/$pid/fd 2>/dev/null | grep -q "/$dir/" && break
        sleep 0.01
    done
    kill -s "$signal" $pid
    { wait $pid; } 2>/dev/null; status=$?
    expect "SIG$signal in $dir: status $status" test $status -eq $((128 + $(kill -l "$signal")))
    expect "SIG$signal in $dir leaves nothing: $(ls -A "$dir" | tr '\n' ' ')" \
        test "$(ls -A "$dir")" = "$before"
    rm -f "$dir/big.h"
}

truncate -s 100M big.bin && truncate -s 1M small.bin
mkdir plain
signals="INT TERM HUP PIPE QUIT USR1 USR2 ALRM XCPU"
for signal in $signals; do stop_midway plain "$signal"; done

# A file size limit: the write fails and says so, instead of a silent
# death by SIGXFSZ.
(ulimit -f 1000 && "$convert" -q small.bin -o plain/limited.h) 2>err
expect "size limit: status $?" test $? -eq 1
expect "size limit message: $(cat err)" \
    test "$(cat err)" = "hexcrate-convert: plain/limited.h: Output file could not be written. (File too large)"
expect "size limit leaves nothing" test -z "$(ls -A plain)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
