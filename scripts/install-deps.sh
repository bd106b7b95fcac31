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
  clang ninja-build                        # headers and the CMake package checked twice
  fusefat dosfstools                       # conversions onto a FAT image
  librsvg2-bin dpkg-dev                    # icons, package
  lintian desktop-file-utils appstream     # package checks
  man-db bash-completion                   # manual pages, completion
)
# `--dev`: the clang tools that lint, sanitizer and fuzz runs use.
[ "${1:-}" = --dev ] && packages+=(clang clang-tidy clang-format libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
