# What the consumer tests share, sourced with build= and cmake= set: a scratch
# folder $work removed on exit, Hexcrate installed from $build into
# $work/prefix, and the counting of checks.
# shellcheck shell=bash disable=SC2034  # here, passed and failed are the caller's
: "${build:?}" "${cmake:?}"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}
fatal() { echo "FAIL $1"; cat "$work/log"; exit 1; }
finish() { echo "$passed passed, $failed failed"; [ "$failed" -eq 0 ]; }

"$cmake" --install "$build" --prefix "$work/prefix" >"$work/log" 2>&1 || fatal "install"
