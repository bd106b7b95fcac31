#!/usr/bin/env bash
# Smoke run of the Windows window under Wine, on a private X server with a
# window manager (keys sent without one are ignored): it opens titled
# "Hexcrate", refuses an empty job in a box of its own, Browse opens the
# system's chooser titled "Open", it converts a typed file as the converter
# does, opens the About box from the system menu, Exit ends it with status 0,
# a renamed copy captions its boxes with its own name, and closing it
# mid-conversion leaves no file behind.
# Every wait is for a window, a file or a process, up to 60 s.
# Usage: window_win_test.sh HEXCRATE.exe CONVERTER.exe
# With HEXCRATE_SHOTS set to a folder, screenshots of each step are kept there.
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
until_true() {  # until_true COMMAND...: polls for up to 60 s
    for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done
    return 1
}
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
window() {  # window TITLE-REGEX: waits for it and prints its id
    until_true windows_named "$1" >/dev/null && windows_named "$1" | head -1
}
count_is() { [ "$(windows_named "$1" | wc -l)" -eq "$2" ]; }
program_windows() { xdotool search --onlyvisible --classname "$(basename "$exe")" 2>/dev/null | wc -l; }
more_windows_than() { [ "$(program_windows)" -gt "$1" ]; }
short_wait() {  # short_wait COMMAND...: polls for up to 10 s
    for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done
    return 1
}
gone() { ! kill -0 "$1" 2>/dev/null; }
title_is() { [[ "$(xdotool getwindowname "$1" 2>/dev/null)" =~ $2 ]]; }
pending() { ls -A | grep -q "^\.$1\.hexcrate-"; }

for n in $(seq 90 140); do [ -e "/tmp/.X$n-lock" ] || break; done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
until_true xdotool getdisplaygeometry >/dev/null 2>&1
# Openbox without key bindings: its default one for Alt+Space would show its
# own window menu instead of letting the program show the system menu.
echo '<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard/></openbox_config>' >openbox.xml
openbox --config-file "$work/openbox.xml" >/dev/null 2>&1 &
pids+=($!)
until_true xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'

start() { "$WINE" "${1:-$exe}" >/dev/null 2>&1 & app=$!; pids+=("$app"); }
focus() { xdotool windowactivate --sync "$1" 2>/dev/null; }
answer() {  # answer BOX KEY: closes a box and waits until it is gone
    focus "$1"
    xdotool key "$2"
    until_true gone_window "$1"
}
gone_window() { ! xdotool getwindowname "$1" >/dev/null 2>&1; }
type_job() {  # focus starts on Exit; Tab order: input, Browse, class, Convert
    focus "$1"
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

# Convert with nothing typed: a box captioned "Hexcrate" of its own.
focus "$main"
xdotool key --delay 100 Tab Tab Tab Tab space
expect "empty job refused in a box" until_true count_is '^Hexcrate$' 2
refusal=$(windows_named '^Hexcrate$' | grep -vx "$main" | head -1)
shot "2-refused"
answer "$refusal" Return
# The focus is back on Convert: back to Exit, where a new window starts.
xdotool key --delay 100 shift+Tab shift+Tab shift+Tab shift+Tab

# Browse: the system's chooser under its own title; cancelled, back to Exit.
xdotool key --delay 100 Tab Tab space
chooser=$(window '^Open$')
expect "Browse opens the chooser titled Open" test -n "$chooser"
shot "2-chooser"
[ -n "$chooser" ] && answer "$chooser" Escape
focus "$main"
xdotool key --delay 100 shift+Tab shift+Tab

type_job "$main" in.bin
done_box=$(window '^Conversion complete\.$')
expect "conversion completes" test -n "$done_box"
expect "title names the file at 100%" title_is "$main" '^100% Hexcrate - in\.bin$'
shot "3-completed"
expect "header as the converter writes it" cmp -s in.h <(sed 's/ref/in/g; s/Ref/In/g' ref.h)
answer "$done_box" Return

# The system menu: its last item opens the About box. The menu is a window of
# the program's own; Alt+Space is sent again if the first one came before
# Wine took the focus.
focus "$main"
for _ in 1 2 3; do
    shown=$(program_windows)
    xdotool key alt+space
    short_wait more_windows_than "$shown" && break
done
expect "Alt+Space opens the system menu" more_windows_than "$shown"
shot "4-system-menu"
xdotool key Up Return   # from the first item up to the last
about=$(window '^About Hexcrate$')
expect "About command opens the About box" test -n "$about"
shot "5-about"
[ -n "$about" ] && answer "$about" Return

focus "$main"
xdotool key Escape
until_true gone "$app"
wait "$app"
expect "Exit ends with status 0" test $? -eq 0

# A renamed copy: its refusal box is captioned with its own file name.
cp "$exe" renamed-copy.exe
start renamed-copy.exe
main=$(window '^Hexcrate$')
focus "$main"
xdotool key --delay 100 Tab Tab Tab Tab space
refusal=$(window '^renamed-copy$')
expect "a renamed program captions its box with its name" test -n "$refusal"
shot "6-renamed-refusal"
[ -n "$refusal" ] && answer "$refusal" Return
focus "$main"
xdotool key Escape
expect "the renamed program ends" until_true gone "$app"

# Closed while converting: the conversion had started, and the abandoned
# header never appears.
truncate -s 1G big.bin
start
main=$(window '^Hexcrate$')
type_job "$main" big.bin
expect "conversion started" until_true pending big.h
expect "title shows the percentage" until_true title_is "$main" '^[0-9]+% Hexcrate - big\.bin$'
shot "7-converting"
focus "$main"
xdotool key Escape
expect "closed mid-conversion ends" until_true gone "$app"
wineserver -w
expect "closed mid-conversion leaves nothing" test -z "$(ls -A | grep 'big\.h')"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
