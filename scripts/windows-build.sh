#!/usr/bin/env bash
# Cross-builds both programs for Windows and packs them:
#   dist/hexcrate-<version>-<target>.zip        the programs, README, licence, notices
#   dist/hexcrate-<version>-setup-<target>.exe  the installer (NSIS)
# Usage: windows-build.sh win32|win64   (the build tree is build-<target>/)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-lib.sh
target=${1:?usage: $0 win32|win64}
arch=$(windows_arch "$target")
host=$arch-w64-mingw32

timed "install the Windows build tools" bash scripts/windows-deps.sh
prefix=$(timed "wxMSW for $target" bash scripts/windows-wx.sh "$arch" | tail -1)

build=build-$target
configure() {
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-toolchain.cmake" \
    -DHEXCRATE_WIN_ARCH="$arch" -DHEXCRATE_WX_PREFIX="$prefix" \
    -DHEXCRATE_LINUX_CONVERTER="$PWD/build/hexcrate-convert" >/dev/null
  cmake --build "$build" -j "${JOBS:-$(nproc)}"
}
timed "build $target" configure
bash tests/windows/imports_check.sh "$host-objdump" "$build"/hexcrate.exe "$build"/hexcrate-convert.exe

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=hexcrate-$version-$target
stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage/zip/$name" "$stage/tree" dist

# The texts every copy carries, with Windows line ends.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
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
texts() {  # texts DIR
  crlf res/README-windows.txt "$1/README.txt"
  crlf LICENSE "$1/LICENSE.txt"
  crlf "$build/notices.txt" "$1/NOTICES.txt"
}

# The zip: the two programs and the texts, nothing to install.
for exe in hexcrate.exe hexcrate-convert.exe; do
  "$host-strip" -o "$stage/zip/$name/$exe" "$build/$exe"
done
texts "$stage/zip/$name"
rm -f "dist/$name.zip"
(cd "$stage/zip" && zip -qr -X "../../../dist/$name.zip" "$name")

# The installer: the CMake install tree (programs in bin\, the support header,
# the CMake package that finds them) plus the texts. Its file lists are
# written from the tree, so the uninstaller removes exactly what was put there.
cmake --install "$build" --prefix "$PWD/$stage/tree" --strip >/dev/null
texts "$stage/tree"
(
  cd "$stage/tree"
  find . -type d | sort | while read -r dir; do
    win=${dir#.}; win=${win//\//\\}
    echo "SetOutPath \"\$INSTDIR$win\""
    find "$dir" -maxdepth 1 -type f | sort | while read -r file; do
      echo "File \"$PWD/${file#./}\""
    done
  done >../install.nsh
  { find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|'
    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|'
  } >../uninstall.nsh
)
setup=dist/hexcrate-$version-setup-$target.exe
makensis -V2 -WX -DVERSION="$version" -DTARGET="$target" -DSTAGE="$PWD/$stage/tree" \
  -DFILES="$PWD/$stage" -DICON="$PWD/$build/res/hexcrate.ico" -DOUTFILE="$PWD/$setup" \
  res/windows/installer.nsi >/dev/null
ls -l "dist/$name.zip" "$setup" "$stage/zip/$name"/*.exe | awk '{print $5, $NF}'
