# What the consumer tests share, sourced with build= and cmake= set: a scratch
# folder $work removed on exit, Hexcrate installed from $build into
# $work/prefix, and the counting of checks (a test with parts skipped ends
# as skipped, see tests/support/skip.sh).
# shellcheck shell=bash disable=SC2034  # here, passed and failed are the caller's
: "${build:?}" "${cmake:?}"
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../support/skip.sh
. "$here/../support/skip.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}
fatal() { echo "FAIL $1"; cat "$work/log"; exit 1; }
finish() { echo "$passed passed, $failed failed"; skip_status "$failed"; }

# As `cmake --install "$build" --prefix "$work/prefix"`, but with the records
# of the installation (manifest, DESTDIR, folders made) kept here: in the build
# tree they would replace those of a real installation, which
# `make uninstall` works from.
sed "s|\"$build/\${CMAKE_INSTALL_MANIFEST}\"|\"$work/install_manifest.txt\"|" \
    "$build/cmake_install.cmake" >"$work/cmake_install.cmake"
grep -qF "$work/install_manifest.txt" "$work/cmake_install.cmake" || fatal "manifest path not found"
"$cmake" -DCMAKE_INSTALL_PREFIX="$work/prefix" -DHEXCRATE_DESTDIR_RECORD="$work/destdir.txt" \
    -DHEXCRATE_NEW_DIRS_RECORD="$work/new_dirs.txt" -P "$work/cmake_install.cmake" \
    >"$work/log" 2>&1 || fatal "install"
