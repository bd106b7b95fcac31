#!/usr/bin/env bash
# Reads the resources of the window program back from the executable: icon
# 128 with its 32 and 16 pixel images in 16 colours, string 101, the version
# block's exact values (texts and numbers), and the common-controls 6 manifest.
# Usage: resources_check.sh HEXCRATE.exe ARCH (x86 or amd64)
set -u
exe=$1 arch=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
expect() {  # expect NAME CONDITION...
    local name=$1; shift
    "$@" || { failed=$((failed + 1)); echo "FAIL $name"; }
}
utf16() { wrestool -x --raw "$@" "$exe" | iconv -f UTF-16LE -t UTF-8 | tr '\0' '\n'; }

wrestool -x -t 14 -n 128 "$exe" >"$work/icon.ico"
expect "icon 128 holds 32 and 16 pixels in 16 colours" test "$(icotool -l "$work/icon.ico")" = \
"--icon --index=1 --width=32 --height=32 --bit-depth=4 --palette-size=16
--icon --index=2 --width=16 --height=16 --bit-depth=4 --palette-size=16"
expect "string 101" grep -qx '.*&About Hexcrate\.\.\.' <(utf16 -t 6 -n 7)

utf16 -t 16 | tr -s '\n' >"$work/version"
value() { awk -v key="$1" 'found { print; exit } $0 ~ (key "$") { found = 1 }' "$work/version"; }
for pair in "FileDescription=Hexcrate MFC Application" "FileVersion=1, 0, 0, 1" \
            "InternalName=Hexcrate" "OriginalFilename=Hexcrate.EXE" \
            "ProductName=Hexcrate Application" "ProductVersion=1, 0, 0, 1"; do
    expect "${pair%%=*}" test "$(value "${pair%%=*}")" = "${pair#*=}"
    echo "${pair%%=*}: $(value "${pair%%=*}")"
done
expect "040904B0 table" grep -qx '.*040904B0' "$work/version"
# The fixed part after its signature: structure version, then file and
# product version 1.0.0.1 as two 32-bit halves each.
expect "fixed versions 1.0.0.1" grep -q 'feef04bd 00010000 00010000 00000001 00010000 00000001' \
    <(wrestool -x --raw -t 16 "$exe" | od -An -tx4 -v | tr -s ' \n' ' ')
# An empty value is followed at once by the next name.
expect "CompanyName empty" grep -q 'FileDescription$' <<<"$(value CompanyName)"
expect "LegalTrademarks empty" grep -q 'OriginalFilename$' <<<"$(value LegalTrademarks)"

wrestool -x --raw -t 24 "$exe" >"$work/manifest"
expect "manifest: common controls 6.0.0.0 for $arch" grep -q \
    "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"" <(tr -s ' \n' ' ' <"$work/manifest")
expect "manifest architecture" grep -q "processorArchitecture=\"$arch\" publicKeyToken" \
    <(tr -s ' \n' ' ' <"$work/manifest")

[ "$failed" -eq 0 ] && echo "resources read back as expected"
[ "$failed" -eq 0 ]
