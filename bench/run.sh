#!/usr/bin/env bash
# Times the converter against plain commands that move as many bytes, in
# alternating pairs so that a busy machine slows both sides alike: writing a
# file as large as its header without and with the flush to disk, an
# unchanged `--update` against reading input and header, and `xxd -i`. Then
# checks that the unchanged update writes nothing, times the flush and
# publish at the end of a big header (the window's time at 100%), and
# measures peak memory.
# Usage: bench/run.sh [path/to/hexcrate-convert]   (make bench)
# PAIRS (default 9) pairs of each, XRUNS (default 3) runs of xxd, BENCH_DIR
# the folder to work in (default a new one under $TMPDIR).
set -euo pipefail

convert=$(realpath "${1:-build/hexcrate-convert}")
here=$(cd "$(dirname "$0")" && pwd)
dir=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/hexcrate-bench.XXXXXX")}
pairs=${PAIRS:-9}
xruns=${XRUNS:-3}
mkdir -p "$dir"
dir=$(realpath "$dir")
trap 'rm -rf "$dir"' EXIT
cd "$dir"

echo "Machine: $(nproc) cores, $(df -T . | awk 'NR == 2 { print $2 }') at $dir," \
     "kernel $(uname -r), load average $(cut -d' ' -f1-3 /proc/loadavg)"

# Seconds taken by a command, after an untimed sync and removal of its output
# (none for -); what it prints to the terminal is kept out of the report.
timed() {
    local out=$1
    shift
    [ "$out" = - ] || rm -f "$out"
    sync
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>>stderr.txt || { cat stderr.txt >&2; return 1; }
    end=$(date +%s%N)
    echo "scale=4; ($end - $start) / 1000000000" | bc
}

# The converter flushes its header to disk as it writes it and before
# publishing it; a preloaded shim without fsync and sync_file_range times the
# rest of its work on its own.
cc -shared -fPIC -O2 -o no_flush.so "$here/no_flush.c"

head -c $((64 * 1024 * 1024)) /dev/urandom > in.bin
"$convert" -q in.bin --output old.h 2>/dev/null
size=$(stat -c %s old.h)

write_plain() { dd if=/dev/zero of=out.h bs=1M count="$size" iflag=count_bytes status=none; }
write_sync() { dd if=/dev/zero of=out.h bs=1M count="$size" iflag=count_bytes conv=fsync status=none; }
convert_plain() { LD_PRELOAD=$dir/no_flush.so "$convert" -q in.bin --output out.h; }
convert_sync() { "$convert" -q in.bin --output out.h; }
read_both() { cat in.bin old.h >/dev/null; }
update_same() { "$convert" -q --update in.bin --output old.h; }
xxd_one() { xxd -i in.bin > out.h; }

# Runs PAIRS pairs of the commands `base` and `ours`, the first of each pair
# alternating, into B.txt and O.txt.
pair() {
    local b=$1 base=$2 o=$3 ours=$4 out=$5
    : > "$b.txt"; : > "$o.txt"
    for i in $(seq "$pairs"); do
        if ((i % 2)); then
            timed "$out" "$base" >> "$b.txt"
            timed "$out" "$ours" >> "$o.txt"
        else
            timed "$out" "$ours" >> "$o.txt"
            timed "$out" "$base" >> "$b.txt"
        fi
    done
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# The middle half of the runs, a spread that ignores one stray run either way.
quartiles() {
    sort -n | awk '{ v[NR] = $1 } END { printf "%.3f-%.3f", v[int((NR + 3) / 4)], v[int((3 * NR + 3) / 4)] }'
}
ratios() { paste "$1.txt" "$2.txt" | awk '{ printf "%.4f\n", $1 / $2 }'; }

# One line per timing: median, middle half and all runs; with a base, the
# ratio of the medians and the spread of the ratios pair by pair.
report() {
    local label=$1 of=$2 base=${3:-} text
    text=$(printf '  %-34s %6.3f s  (%s)' "$label" "$(median < "$of.txt")" \
           "$(quartiles < "$of.txt")")
    if [ -n "$base" ]; then
        text+=$(printf '  %s/%s = %.2f  (pairs %s)' "$of" "$base" \
                "$(echo "$(median < "$of.txt") / $(median < "$base.txt")" | bc -l)" \
                "$(ratios "$of" "$base" | quartiles)")
    fi
    echo "$text"
}

pair w write_plain t convert_plain out.h
pair ws write_sync ts convert_sync out.h
pair r read_both u update_same -
: > x.txt
for _ in $(seq "$xruns"); do timed out.h xxd_one >> x.txt; done

echo "64 MiB input, $size bytes of header; median (middle half) of $pairs alternating pairs:"
report "w   dd bs=1M" w
report "t   hexcrate-convert, no flush" t w
report "ws  dd bs=1M conv=fsync" ws
report "ts  hexcrate-convert" ts ws
report "r   cat input header >/dev/null" r
report "u   hexcrate-convert --update, same" u r
printf '  %-34s %6.3f s  (%s)  x/ts = %.1f\n' "x   xxd -i ($xruns runs)" \
    "$(median < x.txt)" "$(quartiles < x.txt)" \
    "$(echo "$(median < x.txt) / $(median < ts.txt)" | bc -l)"
echo "  all runs (s): w $(paste -sd' ' w.txt) | t $(paste -sd' ' t.txt)"
echo "                ws $(paste -sd' ' ws.txt) | ts $(paste -sd' ' ts.txt)"
echo "                r $(paste -sd' ' r.txt) | u $(paste -sd' ' u.txt)"
rm -f out.h

# An unchanged header is only read: no file opened for writing, nothing
# written or flushed, and the header keeps its time stamp.
if command -v strace >/dev/null; then
    before=$(stat -c %y old.h)
    strace -f -qq -o trace.txt -e trace=openat,write,pwrite64,fsync,fdatasync,sync_file_range \
        "$convert" -q --update in.bin --output old.h 2>/dev/null
    writes=$(grep -cE 'O_WRONLY|O_RDWR|O_CREAT|O_TMPFILE|write64\(|write\([0-9]{2}|write\([3-9]|sync' trace.txt || true)
    [ "$before" = "$(stat -c %y old.h)" ] && kept=kept ||
        kept=CHANGED
    echo "Unchanged --update under strace: $writes calls that open for writing, write or flush; time stamp $kept"
fi
rm -f old.h

# The time from the last read of the input (the window shows 100%) to the
# end of the process: the last writes, the flush and the publishing.
if command -v strace >/dev/null; then
    head -c $((300 * 1024 * 1024)) /dev/urandom > big.bin
    : > tail.txt
    for _ in 1 2 3; do
        rm -f big.h; sync
        strace -f -qq -ttt -o trace.txt -e trace=read,exit_group "$convert" -q big.bin --output big.h 2>/dev/null
        awk '/read.*= 0$/ { last = $2 } /exit_group/ { end = $2 } END { printf "%.3f\n", end - last }' \
            trace.txt >> tail.txt
    done
    echo "300 MiB input, $(stat -c %s big.h) bytes of header: at 100% for" \
         "$(median < tail.txt) s (runs: $(paste -sd' ' tail.txt))"
    rm -f big.bin big.h trace.txt
fi

echo "Peak memory (maximum resident set size):"
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
for mib in 8 1024; do
    head -c $((mib * 1024 * 1024)) /dev/urandom > mem.bin
    rm -f mem.h
    printf '  %4d MiB input: %5d KiB, unchanged --update %5d KiB\n' "$mib" \
        "$(peak "$convert" -q mem.bin --output mem.h)" \
        "$(peak "$convert" -q --update mem.bin --output mem.h)"
    rm -f mem.bin mem.h
done
