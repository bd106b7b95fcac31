#!/usr/bin/env bash
# The Windows programs must run with nothing beside them: every DLL they
# import is one of Windows' own.
# Usage: imports_check.sh OBJDUMP PROGRAM.exe...
objdump=$1; shift
system_dlls='^(kernel32|user32|gdi32|comdlg32|comctl32|advapi32|shell32|shlwapi|ole32|oleaut32|uxtheme|version|winspool\.drv|msvcrt|ws2_32|rpcrt4|oleacc|imm32|winmm)\.dll$'
failed=0
for exe in "$@"; do
  dlls=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
  foreign=$(grep -Ev "$system_dlls" <<<"$dlls")
  if [ -z "$dlls" ] || [ -n "$foreign" ]; then
    echo "FAIL $(basename "$exe") imports DLLs that Windows does not have: ${foreign:-(no import table)}"
    failed=1
  else
    echo "$(basename "$exe") imports only Windows' own DLLs:" $dlls
  fi
done
exit $failed
