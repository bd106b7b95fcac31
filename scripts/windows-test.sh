#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the core tests, the converter
# against the Linux one, and a smoke run of the window on a private X server.
# Expects scripts/windows-build.sh to have built build-<target>.
# Usage: windows-test.sh [win32|win64]
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-win32}
[ "$target" = win64 ] && export WINEARCH=win64
. tests/windows/wine_env.sh
cd "build-$target"
ctest --output-on-failure -L windows
