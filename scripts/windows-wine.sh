#!/usr/bin/env bash
# Runs a Windows program under Wine in the tests' prefix; CMake's emulator for
# the Windows build. Usage: windows-wine.sh PROGRAM.exe [ARG]...
. "$(dirname "$0")/../tests/windows/wine_env.sh"
exec "$WINE" "$@"
