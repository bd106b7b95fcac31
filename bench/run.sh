#!/usr/bin/env bash
# Times the converter against the plain write of a file as large as its
# output, with and without the flush to disk, and against `xxd -i`; then
# measures its peak memory.
# Usage: bench/run.sh [path/to/hexcrate-convert]   (make bench)
set -euo pipefail

convert=$(realpath "${1:-build/hexcrate-convert}")
here=$(cd "$(dirname "$0")" && pwd)
dir=${BENCH_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/hexcrate-bench.XXXXXX")}
runs=${RUNS:-5}
xruns=${XRUNS:-$runs}
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
cd "$dir"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
minimum() { sort -n | head -1; }

# Seconds taken by a command, after an untimed sync and removal of its output.
timed() {
    rm -f out.h; sync
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo "scale=3; ($end - $start) / 1000000000" | bc
}

# The converter always flushes its header to disk before publishing it; a
# preloaded no-op fsync times the rest of its work on its own.
cc -shared -fPIC -O2 -o no_fsync.so "$here/no_fsync.c"

head -c $((64 * 1024 * 1024)) /dev/urandom > in.bin
"$convert" in.bin --output probe.h >/dev/null
size=$(stat -c %s probe.h)
rm -f probe.h

# The output's own cost: as many bytes from memory in 1 MiB writes.
write_plain() { dd if=/dev/zero of=out.h bs=1M count="$size" iflag=count_bytes status=none; }
write_sync() { dd if=/dev/zero of=out.h bs=1M count="$size" iflag=count_bytes conv=fsync status=none; }
convert_plain() { LD_PRELOAD=$dir/no_fsync.so "$convert" in.bin --output out.h; }
convert_sync() { "$convert" in.bin --output out.h; }
xxd_one() { xxd -i in.bin > out.h; }

: > w.txt; : > t.txt; : > ws.txt; : > ts.txt; : > x.txt
# Each pair alternates so that both see the same state of the machine; the
# far slower X runs on its own afterwards.
for _ in $(seq "$runs"); do
    timed write_plain >> w.txt
    timed convert_plain >> t.txt
done
for _ in $(seq "$runs"); do
    timed write_sync >> ws.txt
    timed convert_sync >> ts.txt
done
for _ in $(seq "$xruns"); do
    timed xxd_one >> x.txt
done
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
# Medians, and minimums: on a busy machine the fastest run is the one least
# delayed by others.
report() {
    local label=$1 of=$2 base=${3:-}
    local med min
    med=$(median < "$of.txt") min=$(minimum < "$of.txt")
    if [ -n "$base" ]; then
        printf '  %-30s %6.3f s (min %6.3f)   %s/%s = %s (min %s)\n' "$label" "$med" "$min" \
            "$of" "$base" "$(ratio "$med" "$(median < "$base.txt")")" \
            "$(ratio "$min" "$(minimum < "$base.txt")")"
    else
        printf '  %-30s %6.3f s (min %6.3f)\n' "$label" "$med" "$min"
    fi
}
echo "64 MiB input, $size bytes of header, median of $runs runs (xxd: $xruns):"
report "w   write, dd bs=1M" w
report "t   hexcrate-convert, no fsync" t w
report "ws  write, dd bs=1M conv=fsync" ws
report "ts  hexcrate-convert" ts ws
report "x   xxd -i" x ts
echo "  all runs (s): w $(paste -sd' ' w.txt) | t $(paste -sd' ' t.txt)"
echo "                ws $(paste -sd' ' ws.txt) | ts $(paste -sd' ' ts.txt)"
rm -f out.h

echo "Peak memory (maximum resident set size):"
for mib in 8 256; do
    head -c $((mib * 1024 * 1024)) /dev/urandom > mem.bin
    rm -f mem.h
    kib=$(/usr/bin/time -v "$convert" mem.bin --output mem.h 2>&1 >/dev/null |
          awk -F': ' '/Maximum resident set size/ { print $2 }')
    printf '  %3d MiB input: %5d KiB\n' "$mib" "$kib"
    rm -f mem.bin mem.h
done
