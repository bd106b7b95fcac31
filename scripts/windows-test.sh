#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the core tests, the converter
# against the Linux one, and a smoke run of the window on a private X server.
# Where the kernel cannot run 32-bit programs (and so no 32-bit Wine), the
# tests run the 64-bit build of the same sources; the 32-bit percentage is
# then checked in the machine code.
# Usage: windows-test.sh [win32|win64]   (after windows-build.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-win32}
if [ "$target" = win32 ]; then
  bash tests/windows/x87_check.sh i686-w64-mingw32-objdump build-win32/hexcrate-convert.exe
  bash tests/windows/resources_check.sh build-win32/hexcrate.exe x86
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "This system cannot run 32-bit programs: testing the 64-bit build instead."
    target=win64
    bash scripts/windows-build.sh win64
  fi
fi
[ "$target" = win64 ] && export WINEARCH=win64
. tests/windows/wine_env.sh
cd "build-$target"
ctest --output-on-failure -L windows
