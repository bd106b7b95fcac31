#!/usr/bin/env bash
# The window takes no command-line options, GTK's own included: started with
# --display, --name, --class and --g-fatal-warnings, it opens on the display
# it was started on, keeps its own window class, and opens and closes the
# file chooser without aborting.
# Usage: toolkit_options.sh HEXCRATE   (needs DISPLAY)
set -euo pipefail

bin=$(realpath "$1")
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/stderr" ] && sed 's/^/  program: /' "$work/stderr" >&2
  exit 1
}

# Polls up to 30 s for `condition` to hold while the program runs.
wait_for() {
  for _ in $(seq 300); do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
gone() { ! visible "$1"; }
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }

# A display that does not exist: honoured, it would stop the program.
(cd "$work" && exec "$bin" --display=:65535 --name=Foo --class=Bar --g-fatal-warnings) \
  2>"$work/stderr" &
pid=$!
wait_for visible '^Hexcrate$' || fail "the window did not appear on $DISPLAY"
main=$(window '^Hexcrate$')

if xdotool search --classname '^Foo$' >/dev/null 2>&1 ||
  xdotool search --class '^Bar$' >/dev/null 2>&1; then
  fail "the window class was renamed"
fi
xdotool search --onlyvisible --class '^Hexcrate$' | grep -qx "$main" ||
  fail "the window lost its class"

# Tab order: Exit, input path, Browse.
xdotool windowfocus --sync "$main" key --delay 50 Tab Tab space
wait_for visible '^Open$' || fail "Browse did not open the file chooser"
xdotool windowfocus --sync "$(window '^Open$')" key Escape
wait_for gone '^Open$' || fail "the file chooser did not close"

xdotool windowfocus --sync "$main" key Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "still running 10 s after Escape"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status"
echo "toolkit options ignored"
