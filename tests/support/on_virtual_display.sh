#!/usr/bin/env bash
# Runs a command under a virtual X server of its own and ends the server with
# it. The server picks a free display itself (-displayfd), so parallel runs
# never race for a display number. It never resets between clients, so a
# program started while the previous one closes always finds it ready.
# Usage: on_virtual_display.sh COMMAND [ARG]...
set -euo pipefail

dir=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT

mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.log" &
server=$!
# The number arrives once the server accepts connections.
if ! read -r -t 20 number <"$dir/display"; then
  echo "on_virtual_display.sh: Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi
status=0
DISPLAY=":$number" "$@" || status=$?
exit "$status"
