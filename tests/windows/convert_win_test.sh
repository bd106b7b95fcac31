#!/usr/bin/env bash
# The Windows converter under Wine: the same header bytes as the Linux one,
# CR LF exactly once per line, and what only Windows has (share modes,
# device names, a killed process).
# Usage: convert_win_test.sh CONVERTER.exe LINUX-CONVERTER HOLD_FILE.exe
set -u
win=$1 linux=$2 hold=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
passed=0 failed=0

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

# Messages go through the console in text mode, so they end in CR LF there.
run() { "$WINE" "$win" "$@" >stdout 2>stderr; status=$?; tr -d '\r' <stderr >errors; }
said() { [[ "$(cat errors)" == *"$1"* ]]; }  # the message, whatever names the file or the reason
pending() { ls -A | grep -q "^\.$1\."; }

# The same inputs through both converters, each in a folder of its own.
nonascii=$'Gr\xc3\xbc\xc3\x9fe-\xe6\x97\xa5\xe6\x9c\xac.bin'
mkdir lin win
printf 'abc' >lin/abc.txt
: >lin/empty.dat
head -c 17 /dev/urandom >lin/seventeen.bin      # one byte past a full line
head -c 65537 /dev/urandom >lin/random.bin      # one byte past a 64 KiB block
printf 'all:\n\techo\r\n' >lin/Makefile
printf 'x\0y' >"lin/$nonascii"
cp lin/* win/
for input in abc.txt seventeen.bin empty.dat random.bin Makefile "$nonascii"; do
    header=${input%.*}.h
    (cd lin && "$linux" "$input" >/dev/null)
    (cd win && "$WINE" "$win" "$input" >/dev/null 2>&1)
    expect "same header for $input" cmp -s "lin/$header" "win/$header"
done
expect "nothing else written" test "$(ls -A win | wc -l)" -eq 12
# Every line ends in exactly one CR LF: no bare LF, no CR CR.
newlines=$(tr -cd '\n' <win/random.h | wc -c)
expect "CR LF once per line" test "$(grep -c $'\r$' win/random.h)" -eq "$newlines"
expect "no doubled CR" test "$(grep -c $'\r\r' win/random.h)" -eq 0

# A file that another program holds open for itself alone is not found; one
# that an editor holds (sharing reading) is read along with it.
held() {  # held SHARE-ARGS...: runs the converter while hold_file holds held.bin
    rm -f ready held.h
    "$WINE" "$hold" held.bin ready 20 "$@" &
    local holder=$!
    for _ in $(seq 100); do [ -f ready ] && break; sleep 0.1; done
    run held.bin --output held.h
    kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null
}
printf 'abc' >held.bin
held exclusive
expect "exclusively held input refused" test "$status" -eq 1
expect "exclusively held input not found" said "Input file not found."
held
expect "input an editor holds converted" test "$status" -eq 0 -a -f held.h
rm -f held.h

# Device names are neither inputs nor outputs.
for device in NUL CON 'COM1' 'nul.txt'; do
    run "$device" --output dev.h
    expect "input $device refused" test "$status" -eq 1
    expect "input $device not found" said "Input file not found."
done
for device in NUL CON; do
    run held.bin --output "$device"
    expect "output $device refused" test "$status" -eq 1
    expect "output $device taken" said "Please specify an(other) output filename"
done

# A run killed half-way leaves no temporary and no header behind.
truncate -s 1G big.bin
"$WINE" "$win" big.bin --output killed.h >/dev/null 2>&1 &
runner=$!
for _ in $(seq 200); do pending killed.h && break; sleep 0.05; done
expect "temporary while running" pending killed.h
kill -9 "$runner" 2>/dev/null; wait "$runner" 2>/dev/null
wineserver -k 2>/dev/null
expect "killed run leaves nothing" test -z "$(ls -A | grep killed)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
