#!/usr/bin/env bash
# Cross-builds both programs for Windows and packs them, for each TARGET:
#   dist/hexcrate-<version>-<target>.zip        the programs, README, licence, notices
#   dist/hexcrate-<version>-setup-<target>.exe  the installer (NSIS)
# The wxWidgets of every target are built at once (one's configure runs while
# the other compiles); then each target is built, the second even when the
# first fails, and the run fails at the end. build-<target>/.complete marks a
# target built in full by this run, for windows-test.sh.
# Usage: windows-build.sh [win32|win64]...   (both when none is named; the
#        build tree is build-<target>/)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-lib.sh
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(win32 win64)
for target in "${targets[@]}"; do
  windows_arch "$target" >/dev/null
  rm -f "build-$target/.complete"
done

timed "install the Windows build tools" bash scripts/windows-deps.sh
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
for target in "${targets[@]}"; do
  timed "wxMSW for $target" bash scripts/windows-wx.sh "$(windows_arch "$target")" \
    >"$logs/$target" 2>"$logs/$target.err" &
done
wait || true

# build_target TARGET: the programs, their checks, the zip and the installer.
build_target() {
  target=$1
  arch=$(windows_arch "$target")
  host=$arch-w64-mingw32
  cat "$logs/$target.err" >&2
  prefix=$(tail -1 "$logs/$target")
  [ -n "$prefix" ] && [ -f "$prefix/.complete" ] || { echo "$target: wxWidgets did not build" >&2; return 1; }

  build=build-$target
  configure() {
    cmake --preset "$target" -DHEXCRATE_WX_PREFIX="$prefix" >/dev/null
    cmake --build "$build" -j "${JOBS:-$(nproc)}"
  }
  timed "build $target" configure
  bash tests/windows/imports_check.sh "$host-objdump" "$build"/Hexcrate.exe "$build"/hexcrate-convert.exe

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
  for exe in Hexcrate.exe hexcrate-convert.exe; do
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
  touch "$build/.complete"
}

failed=()
for target in "${targets[@]}"; do
  # A subshell of its own, so that a failing step (set -e) ends this target only.
  (build_target "$target") &
  wait $! || failed+=("$target")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Windows build failed for: ${failed[*]}" >&2
  exit 1
fi
