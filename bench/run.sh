#!/usr/bin/env bash
# Times the converter against the plain write of a file as large as its
# output, and against `xxd -i`; then measures its peak memory.
# Usage: bench/run.sh [path/to/hexcrate-convert]   (make bench)
set -euo pipefail

convert=$(realpath "${1:-build/hexcrate-convert}")
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

head -c $((64 * 1024 * 1024)) /dev/urandom > in.bin
"$convert" in.bin --output probe.h >/dev/null
size=$(stat -c %s probe.h)
rm -f probe.h

write_plain() { dd if=/dev/zero of=out.h bs=64K count="$size" iflag=count_bytes status=none; }
convert_one() { "$convert" in.bin --output out.h; }
xxd_one() { xxd -i in.bin > out.h; }

: > w.txt; : > t.txt; : > x.txt
# W and T alternate so that both see the same state of the machine; the far
# slower X runs on its own afterwards.
for _ in $(seq "$runs"); do
    timed write_plain >> w.txt
    timed convert_one >> t.txt
done
for _ in $(seq "$runs"); do
    timed xxd_one >> x.txt
done
w=$(median < w.txt) t=$(median < t.txt) x=$(median < x.txt)
rm -f out.h

echo "64 MiB input, $size bytes of header, median of $runs runs:"
printf '  W plain write      %6.3f s\n' "$w"
printf '  T hexcrate-convert %6.3f s   T/W = %.2f\n' "$t" "$(echo "$t / $w" | bc -l)"
printf '  X xxd -i           %6.3f s   X/T = %.1f\n' "$x" "$(echo "$x / $t" | bc -l)"

echo "Peak memory (maximum resident set size):"
for mib in 8 256; do
    head -c $((mib * 1024 * 1024)) /dev/urandom > mem.bin
    rm -f mem.h
    kib=$(/usr/bin/time -v "$convert" mem.bin --output mem.h 2>&1 >/dev/null |
          awk -F': ' '/Maximum resident set size/ { print $2 }')
    printf '  %3d MiB input: %5d KiB\n' "$mib" "$kib"
    rm -f mem.bin mem.h
done
