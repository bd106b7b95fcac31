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
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
cd "$dir"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

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
for _ in $(seq "$runs"); do
    timed xxd_one >> x.txt
done
w=$(median < w.txt) t=$(median < t.txt) ws=$(median < ws.txt) ts=$(median < ts.txt)
x=$(median < x.txt)
rm -f out.h

ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
echo "64 MiB input, $size bytes of header, median of $runs runs:"
printf '  W  write, dd bs=1M           %6.3f s\n' "$w"
printf '  T  hexcrate-convert, no sync %6.3f s   T/W = %s\n' "$t" "$(ratio "$t" "$w")"
printf '  Ws write, dd conv=fsync      %6.3f s\n' "$ws"
printf '  Ts hexcrate-convert          %6.3f s   Ts/Ws = %s\n' "$ts" "$(ratio "$ts" "$ws")"
printf '  X  xxd -i                    %6.3f s   X/Ts = %s\n' "$x" "$(ratio "$x" "$ts")"
echo "  all runs (s): W $(paste -sd' ' w.txt) | T $(paste -sd' ' t.txt)"
echo "                Ws $(paste -sd' ' ws.txt) | Ts $(paste -sd' ' ts.txt)"

echo "Peak memory (maximum resident set size):"
for mib in 8 256; do
    head -c $((mib * 1024 * 1024)) /dev/urandom > mem.bin
    rm -f mem.h
    kib=$(/usr/bin/time -v "$convert" mem.bin --output mem.h 2>&1 >/dev/null |
          awk -F': ' '/Maximum resident set size/ { print $2 }')
    printf '  %3d MiB input: %5d KiB\n' "$mib" "$kib"
    rm -f mem.bin mem.h
done
