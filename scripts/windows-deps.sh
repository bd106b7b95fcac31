#!/usr/bin/env bash
# Installs what the Windows build and its tests need on Debian 12: the mingw-w64
# cross compiler (posix threads: GCC 12's win32 model has no std::thread), 32-bit
# Wine, icoutils for the icon, zip, and a deb-src entry so that the wxWidgets
# sources can come from Debian's own source package.
# Usage: windows-deps.sh [win32|win64]   Quiet and quick when all is there.
set -euo pipefail

target=${1:-win32}
packages=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686   # 32-bit cross compiler
  cmake make dpkg-dev icoutils zip unzip              # build, icon, package
  xvfb xauth xdotool imagemagick openbox             # window smoke test
  googletest                                         # sources built for Windows
)
[ "$target" = win64 ] && packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
apt=($sudo apt-get -o DPkg::Lock::Timeout=900 -qq)

# Wine runs the 32-bit programs (and, with wine64, the 64-bit ones).
wine_pkgs=(wine wine32:i386)
[ "$target" = win64 ] && wine_pkgs+=(wine64)

src_list=/etc/apt/sources.list.d/hexcrate-deb-src.sources
need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
   ! grep -qs '^deb-src' /etc/apt/sources.list; then
  $sudo tee "$src_list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  need_update=1
fi

missing=()
for p in "${packages[@]}" "${wine_pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ $need_update -eq 0 ] && [ ${#missing[@]} -eq 0 ] && exit 0

"${apt[@]}" update
[ ${#missing[@]} -eq 0 ] && exit 0

# 32-bit Wine pulls in a few hundred i386 packages, and because the amd64 and
# i386 copies of a shared library must have the same version, it also upgrades
# some amd64 libraries the rest of the system uses. Say so before doing it.
plan=$("${apt[@]}" -s install "${missing[@]}" 2>/dev/null || true)
count=$(grep -c '^Inst ' <<<"$plan" || true)
upgrades=$(awk '/^Inst [^ ]+ \[/ {print $2}' <<<"$plan")
echo "Installing for the Windows build: ${missing[*]} ($count packages in all)"
if [ -n "$upgrades" ]; then
  echo "WARNING: this also upgrades $(wc -l <<<"$upgrades") installed packages" \
       "that the rest of the system shares:" $upgrades
fi
"${apt[@]}" install -y "${missing[@]}" >/dev/null
