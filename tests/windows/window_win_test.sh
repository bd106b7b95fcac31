#!/usr/bin/env bash
# Smoke run of the Windows window under Wine, on a private X server with a
# window manager (keys sent without one are ignored): it opens titled
# "Hexcrate", converts a typed file as the converter does, Exit ends it with
# status 0, and closing it mid-conversion leaves no file behind.
# Usage: window_win_test.sh HEXCRATE.exe CONVERTER.exe
# With HEXCRATE_SHOTS set, screenshots of each step are kept there.
set -u
exe=$1 convert=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
work=$(mktemp -d)
pids=()
cleanup() {
    wineserver -k 2>/dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
passed=0 failed=0

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; shot "fail"; fi
}
shot() { [ -n "${HEXCRATE_SHOTS:-}" ] && import -window root "$HEXCRATE_SHOTS/$1.png" 2>/dev/null; true; }
window() {  # window TITLE-REGEX: waits up to 30 s and prints its id
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return 0
        sleep 0.1
    done
    return 1
}
gone() { for _ in $(seq 300); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done; return 1; }

for n in $(seq 90 140); do [ -e "/tmp/.X$n-lock" ] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

start() { "$WINE" "$exe" >/dev/null 2>&1 & app=$!; pids+=("$app"); }
type_job() {  # focus starts on Exit; Tab order: input, Browse, class, Convert
    xdotool windowactivate --sync "$1" 2>/dev/null
    xdotool key --delay 100 Tab
    xdotool type --delay 60 "$2"
    xdotool key --delay 100 Tab Tab Tab space
}

printf 'Hello, Windows!\r\n' >in.bin
cp in.bin ref.bin
"$WINE" "$convert" ref.bin --output ref.h >/dev/null 2>&1

start
main=$(window '^Hexcrate$')
expect "opens titled Hexcrate" test -n "$main"
shot "1-opened"
type_job "$main" in.bin
done_box=$(window '^Conversion complete\.$')
expect "conversion completes" test -n "$done_box"
shot "2-completed"
expect "header as the converter writes it" cmp -s in.h <(sed 's/ref/in/g; s/Ref/In/g' ref.h)
xdotool windowactivate --sync "$done_box" 2>/dev/null
xdotool key Return
sleep 0.5
xdotool windowactivate --sync "$main" 2>/dev/null
xdotool key Escape
gone "$app"
wait "$app"
expect "Exit ends with status 0" test $? -eq 0

# Closed while converting: the abandoned header never appears.
truncate -s 1G big.bin
start
main=$(window '^Hexcrate$')
type_job "$main" big.bin
for _ in $(seq 200); do ls -A | grep -q '^\.big\.h\.' && break; sleep 0.05; done
shot "3-converting"
xdotool windowactivate --sync "$main" 2>/dev/null
xdotool key Escape
expect "closed mid-conversion ends" gone "$app"
wineserver -w
expect "closed mid-conversion leaves nothing" test -z "$(ls -A | grep 'big\.h')"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
