#!/usr/bin/env bash
# Installs the Debian packages that building and testing Hexcrate needs.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  g++ cmake make pkg-config libgtest-dev   # compiler, build, unit tests
  libwxgtk3.2-dev libgtk-3-dev             # the window toolkit and the GTK beneath it
  xvfb xauth xdotool imagemagick           # window tests without a display
  x11-xserver-utils                        # xmodmap: keys for typed non-ASCII letters
  xxd time bc                              # benchmark
  strace                                   # faults injected into the converter's calls
  clang ninja-build                        # headers and the CMake package checked twice
  fusefat dosfstools                       # conversions onto a FAT image
  librsvg2-bin dpkg-dev                    # icons, package
  lintian desktop-file-utils appstream     # package checks
  man-db bash-completion                   # manual pages, completion
  ccache distcc x11proto-dev meson         # the source kind with a team's build tools
  clang-19                                 # #embed, for the compile-cost comparison
)
# `--dev`: the clang tools that lint, sanitizer and fuzz runs use (with the
# clang compiler above).
[ "${1:-}" = --dev ] && packages+=(clang-tidy clang-format libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing ${#missing[@]} missing packages: ${missing[*]}"
# Most of the list missing: a fresh system, which needs their dependencies too.
[ ${#missing[@]} -gt 10 ] &&
  echo "(On a fresh system the first run fetches about 610 packages, 515 MB (2.5 GB on disk): 3 to 5 minutes.)"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps.sh: installing packages needs root, and sudo is not installed." >&2
    echo "Either install them as root:" >&2
    echo "  su -c 'apt-get update && apt-get install -y ${missing[*]}'" >&2
    echo "or install sudo as root (su -c 'apt-get install -y sudo'), add yourself to the" >&2
    echo "sudo group (su -c 'adduser $(id -un) sudo'), log in again and rerun make." >&2
    exit 1
  fi
  sudo=(sudo)
fi
# sudo drops the environment: the setting goes along on the command line.
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
"${apt[@]}" update -qq
"${apt[@]}" install -y -q -o Dpkg::Use-Pty=0 "${missing[@]}"
