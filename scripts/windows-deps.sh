#!/usr/bin/env bash
# Installs what the Windows builds and their tests need on Debian 12: the
# mingw-w64 cross compilers for both word sizes (posix threads: GCC 12's win32
# model has no std::thread), 64-bit Wine, NSIS for the installers, icoutils
# for the icon, zip, the window test's X tools, debootstrap for the 32-bit
# Wine root, and a deb-src entry so that the wxWidgets sources come from
# Debian's own source package.
# The host's apt stays amd64 only: 32-bit Wine lives in its own i386 root
# (scripts/windows-i386-root.sh), never as a foreign architecture here.
# Quiet and quick when all is there.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686        # 32-bit cross compiler
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64    # 64-bit cross compiler
  cmake make dpkg-dev icoutils zip unzip nsis ccache      # build, icon, zips, installers
  wine wine64 fonts-wine fonts-liberation                 # runs the 64-bit programs
  xvfb xauth xdotool x11-utils imagemagick openbox        # window smoke test
  googletest                                              # sources built for Windows
  debootstrap                                             # the i386 root for 32-bit Wine
)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
apt=($sudo apt-get -o DPkg::Lock::Timeout=900 -qq)

src_list=/etc/apt/sources.list.d/hexcrate-deb-src.sources
need_update=0
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
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ $need_update -eq 0 ] && [ ${#missing[@]} -eq 0 ] && exit 0

"${apt[@]}" update
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing for the Windows build: ${missing[*]}"
"${apt[@]}" install -y --no-install-recommends "${missing[@]}" >/dev/null
