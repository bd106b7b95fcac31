#!/usr/bin/env bash
# The installer under Wine, in a Wine prefix of its own: a silent install puts
# the programs, the support header, the CMake package and the texts under
# Program Files with a Start-menu entry and an Apps & features entry, leaves
# PATH alone unless asked; the converter runs from there; a silent uninstall
# takes away exactly what the install added, PATH entry included.
# Usage: install_win_test.sh SETUP.exe
set -u
setup=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
# A copy of the tests' prefix, so that nothing of an install outlives the
# test; one Wine server for all of it, rather than one per command.
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX=$work/prefix
wineserver -p
cd "$work"
passed=0 failed=0
expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

drive=$WINEPREFIX/drive_c
# Each installer runs in a prefix of its own word size: no "(x86)" folder.
programs="Program Files"
dir=$drive/$programs/Hexcrate
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hexcrate'
env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'

# What Wine itself changes as it runs (temporary files, its registry files)
# is not the installer's doing.
files() { (cd "$drive" && find . -path ./users -prune -o -print | sort); }
reg_value() {  # reg_value KEY NAME: the value's data
    "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v v="$2" '$1 == v { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
lacks_key() { ! "$WINE" reg query "$1" >/dev/null 2>&1; }
# The uninstaller hands over to a copy of itself in a temporary folder and
# returns at once: done when no such copy runs any more.
uninstaller_runs() { pgrep -f '~nsu.*\.tmp.Un.*\.exe' >/dev/null; }
uninstall() {
    "$WINE" "$dir/uninstall.exe" /S >/dev/null 2>&1 || return 1
    for _ in $(seq 600); do uninstaller_runs || return 0; sleep 0.1; done
    return 1
}

before=$(files)
path_before=$(reg_value "$env_key" Path)

"$WINE" "$setup" /S >/dev/null 2>&1
expect "silent install succeeds" test $? -eq 0
for file in bin/Hexcrate.exe bin/hexcrate-convert.exe uninstall.exe README.txt LICENSE.txt \
            NOTICES.txt include/hexcrate/extract_support.h lib/cmake/Hexcrate/HexcrateConfig.cmake \
            lib/cmake/Hexcrate/HexcrateConfigVersion.cmake; do
    expect "installed $file" test -f "$dir/$file"
done
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Hexcrate.lnk"
expect "Start-menu entry" test -f "$shortcut"
# It holds the target as an 8-bit path, and the folder to start in, each
# user's Documents, in UTF-16.
expect "Start-menu entry starts the program" grep -q 'bin\\Hexcrate\.exe$' <<<"$(strings -a "$shortcut")"
expect "Start-menu entry starts in the user's Documents" \
    grep -qFx '%USERPROFILE%\Documents' <<<"$(strings -el "$shortcut")"
expect "listed in Apps & features" test "$(reg_value "$key" DisplayName)" = "Hexcrate $(reg_value "$key" DisplayVersion)"
expect "quiet uninstall command" grep -q 'uninstall.exe" /S$' <<<"$(reg_value "$key" QuietUninstallString)"
expect "PATH left alone" test "$(reg_value "$env_key" Path)" = "$path_before"

# The CMake package finds the converter beside it.
expect "package names the installed converter" \
    grep -q 'hexcrate-convert\.exe' "$dir/lib/cmake/Hexcrate/HexcrateConfig.cmake"
printf 'abc' >abc.txt
"$WINE" "C:\\$programs\\Hexcrate\\bin\\hexcrate-convert.exe" abc.txt >/dev/null 2>&1
expect "converter runs from Program Files" grep -q 'class CAbc' abc.h

uninstall
expect "silent uninstall ends" test $? -eq 0
expect "uninstall removes every file it added" test "$(files)" = "$before"
expect "uninstall removes its Apps & features entry" lacks_key "$key"

# Ticked, PATH gains the programs' folder, and loses it again on uninstall.
"$WINE" "$setup" /S /ADDTOPATH >/dev/null 2>&1
expect "PATH gains the programs" \
    grep -qi ";C:\\\\$programs\\\\Hexcrate\\\\bin$" <<<"$(reg_value "$env_key" Path)"
rm -f abc.h
"$WINE" cmd /c "hexcrate-convert abc.txt" >/dev/null 2>&1
expect "converter found on PATH" test -f abc.h
uninstall
expect "uninstall restores PATH" test "$(reg_value "$env_key" Path)" = "$path_before"
expect "nothing left after the second uninstall" test "$(files)" = "$before"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
