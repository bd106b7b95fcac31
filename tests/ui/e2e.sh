#!/usr/bin/env bash
# Drives the real program on an X display from the keyboard: types a path,
# presses Convert, checks the header and the reports, opens the About box,
# takes a file typed into the file chooser and one dropped on the window, and
# closes the window mid-conversion.
# Usage: e2e.sh HEXCRATE HEXCRATE_CONVERT SCREENSHOT_DIR DRAG_SOURCE   (needs DISPLAY)
set -euo pipefail

bin=$(realpath "$1")
convert_cli=$(realpath "$2")
shots=$(realpath "$3")
drag_source=$(realpath "$4")
work=$(mktemp -d)
pid=
source_pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$source_pid" ] && kill "$source_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

shot() { import -window root "$shots/$1.png"; }
# Leaves the screen and the open windows' names behind for the reader.
fail() {
  echo "FAIL: $*" >&2
  shot e2e-failure || true
  echo "windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | paste -sd '|')" >&2
  exit 1
}

# Waits up to 30 s for a visible window whose title matches; prints its id.
# Generous, since a loaded machine can take seconds to map a window.
wait_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Tab order: Exit, input path, Browse, class name, Convert, output name.
# Presses Convert from the input path field.
convert_from_input() { xdotool key --delay 50 Tab Tab Tab space; }

start_program() {
  (cd "$work" && exec "$bin" --an-option-nobody-knows) &
  pid=$!
  main=$(wait_window '^Hexcrate$') || fail "main window did not appear"
  # Give the typed non-ASCII letters keys of their own: otherwise xdotool
  # remaps a key for each one, and a busy program can read the key after the
  # mapping is gone and lose the letter. (Set while a client is connected, as
  # the server forgets it when the last one leaves.)
  xmodmap -e "keycode 93 = udiaeresis Udiaeresis" -e "keycode 248 = ssharp ssharp"
  xdotool windowfocus --sync "$main"
  sleep 0.3
}

# Ends the program with the given keys; checks it went promptly with status 0.
close_program() {
  xdotool windowfocus "$main" key "$@"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "program still running 10 s after $*"
  local status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "exit status $status"
}

# A conversion from start to finish.
input="$work/Grüße data.bin"
head -c 5000 /dev/urandom > "$input"
start_program
shot e2e-start
xdotool key Tab                       # from Exit, the first tab stop, to the input path
# xdotool reads the text in the locale's encoding, which may be plain C here.
LC_ALL=C.UTF-8 xdotool type --delay 60 "$input"  # slow enough for the keymap changes of non-ASCII letters
sleep 0.3
shot e2e-typed
convert_from_input
box=$(wait_window '^Conversion complete\.$') || fail "no completion box"
sleep 0.3
shot e2e-complete
xdotool windowfocus --sync "$box" key Return
sleep 0.3
title=$(xdotool getwindowname "$main")
[ "$title" = "100% Hexcrate - Grüße data.bin" ] || fail "title '$title'"

header="$work/Grüße data.h"
[ -f "$header" ] || fail "no header at $header"
(cd "$work" && "$convert_cli" --output expected.h "$input" >/dev/null)
cmp "$header" "$work/expected.h" || fail "header differs from the converter's"

xdotool windowfocus --sync "$main" key F1
about=$(wait_window '^About Hexcrate$') || fail "F1 did not open the About box"
sleep 0.3
shot e2e-about
xdotool windowfocus --sync "$about" key Escape
sleep 0.3
xdotool search --onlyvisible --name '^About Hexcrate$' >/dev/null && fail "About box still open"
xdotool windowfocus --sync "$main" key shift+F10   # the context menu from the keyboard
sleep 0.5
shot e2e-menu
xdotool key Return                                 # opens with its one item selected
about=$(wait_window '^About Hexcrate$') || fail "Enter in the context menu did not open the About box"
xdotool windowfocus --sync "$about" key Return
sleep 0.3

# Convert again unchanged: the header now exists. The focus is back on
# Convert, where it was when the conversion started (not on Exit, which the
# next Enter would press).
xdotool windowfocus --sync "$main" key space
for _ in $(seq 300); do               # the box is captioned "Hexcrate" too
  [ "$(xdotool search --onlyvisible --name '^Hexcrate$' | wc -l)" -ge 2 ] && break
  sleep 0.1
done
[ "$(xdotool search --onlyvisible --name '^Hexcrate$' | wc -l)" -ge 2 ] || fail "no refusal box"
sleep 0.3
shot e2e-refused
xdotool key Return
sleep 0.3
close_program Tab Return              # Enter in the output name field, next after Convert

# A path typed into the file chooser names a file in another folder than the
# one the chooser shows: that file is converted, its header lands beside it.
other="$work/elsewhere"
mkdir "$other"
printf 'all:\n' > "$other/Makefile"
start_program
xdotool key --delay 50 Tab Tab space  # Browse
chooser=$(wait_window '^Open$') || fail "Browse did not open the file chooser"
xdotool windowfocus --sync "$chooser"
sleep 0.5
xdotool key ctrl+l
sleep 0.3
xdotool type --delay 30 "$other/Makefile"
sleep 0.5
shot e2e-chooser-typed
xdotool key Return
for _ in $(seq 300); do
  xdotool search --onlyvisible --name '^Open$' >/dev/null || break
  sleep 0.1
done
sleep 0.3
xdotool windowfocus --sync "$main" key --delay 50 Tab Tab space   # from Browse to Convert
box=$(wait_window '^Conversion complete\.$') || fail "no completion box for the chosen Makefile"
xdotool windowfocus --sync "$box" key Return
sleep 0.3
[ -f "$other/Makefile.h" ] || fail "no header beside the chosen Makefile"
close_program Escape
rm -r "$other"

# Files dropped from a file manager: the first is taken as if chosen, its
# header lands beside it. The drop lands between Convert and Exit.
dropped="$work/dropped/Grüße x.bin"
mkdir "$work/dropped"
printf 'dropped' > "$dropped"
start_program
"$drag_source" "$dropped" "$input" >/dev/null &
source_pid=$!
source_window=$(wait_window '^drag source$') || fail "no drag source"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$main")"
to_x=$((X + WIDTH / 2)) to_y=$((Y + HEIGHT * 91 / 105))
eval "$(xdotool getwindowgeometry --shell "$source_window")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) mousedown 1
for step in 1 2 3 4 5 6 7 8; do
  sleep 0.1
  xdotool mousemove $((X + WIDTH / 2 + (to_x - X - WIDTH / 2) * step / 8)) \
                    $((Y + HEIGHT / 2 + (to_y - Y - HEIGHT / 2) * step / 8))
done
sleep 0.3
xdotool mouseup 1
sleep 0.5
shot e2e-dropped
kill "$source_pid"
source_pid=
xdotool windowfocus --sync "$main" key --delay 50 Tab Tab Tab Tab space   # from Exit to Convert
box=$(wait_window '^Conversion complete\.$') || fail "no completion box for the dropped file"
xdotool windowfocus --sync "$box" key Return
sleep 0.3
[ -f "$work/dropped/Grüße x.h" ] || fail "no header beside the dropped file"
close_program Escape
rm -r "$work/dropped"

# Closing while a conversion runs ends the program and leaves no header behind.
rm -f "$header" "$work/expected.h"
big="$work/big.bin"
truncate -s 512M "$big"
start_program
xdotool key Tab
xdotool type --delay 2 "$big"
convert_from_input
for _ in $(seq 500); do
  case $(xdotool getwindowname "$main") in *%*) break ;; esac
  sleep 0.02
done
case $(xdotool getwindowname "$main") in
  100%*) fail "conversion finished before the window could be closed" ;;
  *%*) ;;
  *) fail "no progress shown" ;;
esac
close_program Escape
leftover=$(cd "$work" && ls -A | grep -v -x -e big.bin -e 'Grüße data.bin' || true)
[ -z "$leftover" ] || fail "left behind: $leftover"

echo "e2e: all passed"
