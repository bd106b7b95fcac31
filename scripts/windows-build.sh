#!/usr/bin/env bash
# Cross-builds both programs for Windows and packs them with their notices:
#   dist/hexcrate-<version>-win32.zip (or -win64)
# Usage: windows-build.sh [win32|win64]
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-win32}
case $target in
  win32) arch=i686 ;;
  win64) arch=x86_64 ;;
  *) echo "usage: $0 [win32|win64]" >&2; exit 2 ;;
esac
host=$arch-w64-mingw32

bash scripts/windows-deps.sh "$target"
prefix=$(bash scripts/windows-wx.sh "$arch" | tail -1)

build=build-$target
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-toolchain.cmake" \
  -DHEXCRATE_WIN_ARCH="$arch" -DHEXCRATE_WX_PREFIX="$prefix" \
  -DHEXCRATE_LINUX_CONVERTER="$PWD/build/hexcrate-convert" >/dev/null
cmake --build "$build" -j "$(nproc)"

# Windows' own DLLs only: nothing to ship beside the programs.
system_dlls='^(kernel32|user32|gdi32|comdlg32|comctl32|advapi32|shell32|shlwapi|ole32|oleaut32|uxtheme|version|winspool\.drv|msvcrt|ws2_32|rpcrt4|oleacc|imm32|winmm)\.dll$'
for exe in hexcrate.exe hexcrate-convert.exe; do
  foreign=$("$host-objdump" -p "$build/$exe" | awk '/DLL Name:/ {print tolower($3)}' |
            grep -Ev "$system_dlls" || true)
  if [ -n "$foreign" ]; then
    echo "$exe needs DLLs that Windows does not have: $foreign" >&2
    exit 1
  fi
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=hexcrate-$version-$target
stage=$build/stage/$name
rm -rf "$build/stage"
mkdir -p "$stage" dist
for exe in hexcrate.exe hexcrate-convert.exe; do
  "$host-strip" -o "$stage/$exe" "$build/$exe"
done
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
crlf res/README-windows.txt "$stage/README.txt"
[ -f LICENSE ] && crlf LICENSE "$stage/LICENSE.txt"
notice() {  # notice TITLE FILE...
  printf '\n==== %s ====\n\n' "$1"; shift
  cat "$@"
}
{
  echo "Hexcrate for Windows contains code of the following projects, linked in statically."
  notice "wxWidgets $(basename "$prefix" | cut -d- -f2) (wxWindows Library Licence)" \
    "$prefix/share/doc/hexcrate-wx/licence.txt" "$prefix/share/doc/hexcrate-wx/lgpl.txt"
  notice "mingw-w64 runtime and winpthreads" /usr/share/doc/mingw-w64-common/copyright
  notice "GCC runtime libraries: libstdc++, libgcc (GCC Runtime Library Exception)" \
    /usr/share/doc/gcc-mingw-w64-base/copyright
} >"$build/notices.txt"
crlf "$build/notices.txt" "$stage/NOTICES.txt"
rm -f "dist/$name.zip"
(cd "$build/stage" && zip -qr -X "../../dist/$name.zip" "$name")
ls -l "dist/$name.zip" "$stage"/*.exe | awk '{print $5, $NF}'
