#!/usr/bin/env bash
# Builds the small static wxWidgets for Windows (wxMSW) that the Windows
# programs link, once, and keeps it outside the clone:
#   ${HEXCRATE_CACHE:-~/.cache/hexcrate}/wxmsw-<version>-<arch>-<options hash>
# and links wxmsw-<arch> beside it to the latest, where the win32 and win64
# presets of CMakePresets.json find it.
# The sources are Debian's own (apt-get source, needs the deb-src entry that
# scripts/windows-deps.sh adds). Only the two libraries the programs link
# (base and core) are built, through ccache where it is installed, so that a
# second build of the same sources (another cache folder, a rebuilt prefix)
# costs little. Prints the prefix on its last line.
# Usage: windows-wx.sh [i686|x86_64]
set -euo pipefail
bash "$(dirname "$0")/windows-deps.sh"  # the compilers and the deb-src entry

arch=${1:-i686}
host=$arch-w64-mingw32
cache=${HEXCRATE_CACHE:-$HOME/.cache/hexcrate}
version=3.2.2
jobs=${JOBS:-$(nproc)}

# Everything off, then what the window uses, then what those pull in that
# --disable-all-features does not resolve by itself in 3.2.2 (the MSW date
# control's source needs intl even when the control is off, the generic
# folder control a choice, the file dialog a check box, the tree control an
# image list).
options=(
  --host="$host" --with-msw --disable-shared --enable-unicode
  --disable-all-features
  --without-zlib --without-expat --without-libpng --without-libjpeg --without-libtiff
  --without-regex --without-liblzma --without-nanosvg --without-libcurl --without-opengl
  --enable-intl --enable-threads --enable-timer --enable-stopwatch --enable-log --enable-longlong
  --enable-file --enable-ffile --enable-streams --enable-exceptions
  --enable-button --enable-textctrl --enable-stattext --enable-statbmp --enable-gauge
  --enable-accel --enable-menus --enable-menubar --enable-commondlg --enable-filedlg
  --enable-msgdlg --enable-image --enable-xpm --enable-display --enable-uxtheme
  --enable-sysoptions --enable-ole --enable-dataobj --enable-dnd
  --enable-variant --enable-dynlib --enable-dynamicloader --enable-regkey
  --enable-treectrl --enable-imaglist --enable-radiobtn --enable-wxdib --enable-choice
  --enable-checkbox --enable-validators
  --disable-accessibility
)
# The posix compilers, as for the programs: one C++ runtime for both.
flags="-O2 -ffunction-sections -fdata-sections"
[ "$arch" = i686 ] && flags+=" -msse2 -mfpmath=sse"

# The libraries the configuration would build besides base and core, and the
# wxrc tool: left out of both `make` and `make install`.
others=(net adv media html webview qa xml xrc aui ribbon propgrid richtext stc gl)
skip=(__wxrc___depname= __install_wxrc___depname=)
for lib in "${others[@]}"; do
  skip+=("__${lib}lib___depname=" "__install_${lib}lib___depname=")
done

compiler=$("$host-g++-posix" -dumpfullversion)
key=$(printf '%s\n' "$version" "${options[@]}" "$flags" "$compiler" | sha256sum | cut -c1-12)
prefix=$cache/wxmsw-$version-$arch-$key
# One build per prefix at a time: a second run (another clone sharing the
# cache) waits for the first and then takes its result.
mkdir -p "$cache"
exec 9>"$prefix.lock"
flock 9
link() { ln -sfn "$(basename "$prefix")" "$cache/wxmsw-$arch"; }
if [ -f "$prefix/.complete" ]; then
  link
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache/src"
find_tarball() { ls "$cache"/src/wxwidgets3.2_"$version"*.orig.tar.xz 2>/dev/null | tail -1; }
# Both word sizes start at once and share the sources: one fetches while the
# other waits, and the files reach src/ only once fetched whole, so that no
# run, beside a fetch or after one cut short, unpacks part of a tarball.
(
  flock 8
  if [ -z "$(find_tarball)" ]; then
    fetch=$(mktemp -d "$cache/src/.fetch.XXXXXX")
    trap 'rm -rf "$fetch"' EXIT
    if (cd "$fetch" && apt-get source --download-only wxwidgets3.2 >/dev/null 2>&1); then
      mv "$fetch"/* "$cache/src/"
    fi
  fi
) 8>"$cache/src.lock"
tarball=$(find_tarball)
[ -n "$tarball" ] || { echo "Debian's wxwidgets3.2 source is not version $version" >&2; exit 1; }

launcher=""
command -v ccache >/dev/null && launcher="ccache "

work=$(mktemp -d "${TMPDIR:-/tmp}/hexcrate-wx.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "Building wxWidgets $version for $host (once; cached in $prefix)" >&2
tar -xf "$tarball" -C "$work"
mkdir "$work/build"
cd "$work/build"
rm -rf "$prefix"
"$work/wxWidgets-$version/configure" "${options[@]}" --prefix="$prefix" \
  CC="$launcher$host-gcc-posix" CXX="$launcher$host-g++-posix" CFLAGS="$flags" CXXFLAGS="$flags" \
  >configure.log 2>&1 ||
  { tail -30 configure.log >&2; exit 1; }
make -j "$jobs" "${skip[@]}" >make.log 2>&1 ||
  { grep -m 20 -B 2 -A 8 'error' make.log >&2; exit 1; }
make "${skip[@]}" install >/dev/null
# The licence travels with the programs that link it.
mkdir -p "$prefix/share/doc/hexcrate-wx"
cp "$work/wxWidgets-$version"/docs/{licence,lgpl}.txt "$prefix/share/doc/hexcrate-wx/"
# Written last, so that a cut-short build is never taken for a cached one.
touch "$prefix/.complete"
link
echo "$prefix"
