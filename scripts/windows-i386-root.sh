#!/usr/bin/env bash
# 32-bit Wine without adding i386 to the host's apt (which breaks apt-get
# update on a host with security updates): a minimal Debian i386 root with
# wine32, made once and kept outside the clone, entered through wrappers.
#
#   windows-i386-root.sh probe          status 0 when this kernel runs i386 programs
#   windows-i386-root.sh make           makes the root once; prints its folder
#   windows-i386-root.sh run COMMAND... runs COMMAND with `wine`, `wineserver`
#                                       and `wineboot` taken from the root
#
# `run` works in a private mount namespace: the root sees the folders that
# shared_dirs lists at the same paths as outside, and the mounts vanish with
# the command. Where / is not a mount point (a chroot), no namespace can make
# its mounts private: `run` then needs root, mounts in the system's own
# namespace and unmounts when the command ends.
# HEXCRATE_ROOT_ARCH=amd64 builds the same root for 64-bit Wine, to try the
# wrappers on a machine whose kernel cannot run i386 programs.
set -euo pipefail

cache=${HEXCRATE_CACHE:-$HOME/.cache/hexcrate}
arch=${HEXCRATE_ROOT_ARCH:-i386}
suite=bookworm
mirror=${HEXCRATE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
packages=(wine fonts-wine)
[ "$arch" = i386 ] && packages+=(wine32) || packages+=(wine64)
key=$(printf '%s\n' "$arch" "$suite" "${packages[@]}" | sha256sum | cut -c1-12)
root=$cache/wine-root-$arch-$key
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# A static i386 program that exits with status 42, assembled here so that it
# needs no i386 library: the kernel either runs it or refuses the format.
probe() {
  local dir status=0
  dir=$(mktemp -d)
  printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$dir/p.s"
  if as --32 -o "$dir/p.o" "$dir/p.s" && ld -m elf_i386 -o "$dir/p" "$dir/p.o"; then
    "$dir/p" 2>/dev/null || status=$?
  fi
  rm -rf "$dir"
  [ "$status" -eq 42 ]
}

make_root() {
  if [ ! -f "$root/.complete" ]; then
    echo "Making the $arch Wine root (once; cached in $root)" >&2
    mkdir -p "$cache"
    $sudo rm -rf "$root.new"
    $sudo debootstrap --variant=minbase --arch="$arch" "$suite" "$root.new" "$mirror" \
      >"$cache/debootstrap.log" 2>&1 || { tail -20 "$cache/debootstrap.log" >&2; exit 1; }
    $sudo chroot "$root.new" env DEBIAN_FRONTEND=noninteractive \
      apt-get -qq install -y --no-install-recommends "${packages[@]}" >/dev/null
    $sudo chroot "$root.new" apt-get clean
    # Renamed and marked last, so that a cut-short run is never taken for a root.
    $sudo rm -rf "$root"
    $sudo mv "$root.new" "$root"
    $sudo touch "$root/.complete"
  fi
  echo "$root"
}

# The folders the root sees at the same paths as outside: the system's, the
# temporary folders (X sockets, the tests' folders), the tests' Wine prefix
# and the current folder (the clone).
prefix=$cache/wine-${WINEARCH:-win32}
shared_dirs() { printf '%s\n' /proc /dev /tmp "${TMPDIR:-/tmp}" "$prefix" "$PWD" | awk '!seen[$0]++'; }

# The mounts, then the wrappers first on PATH.
enter() {
  local dir
  while read -r dir; do
    mount --rbind "$dir" "$root$dir"
  done < <(shared_dirs)
  local bin chroot
  bin=$(mktemp -d)
  # A normal user's PATH leaves out the system folders that hold chroot.
  chroot=$(PATH=$PATH:/usr/sbin:/sbin command -v chroot)
  for tool in wine wineserver wineboot; do
    cat >"$bin/$tool" <<EOF
#!/bin/sh
# $tool from the $arch root, in the caller's folder, with a clean PATH.
exec "$chroot" "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME="\$HOME" TMPDIR="\${TMPDIR:-/tmp}" \\
  DISPLAY="\${DISPLAY:-}" LC_ALL="\${LC_ALL:-C.UTF-8}" WINEPREFIX="\$WINEPREFIX" \\
  WINEARCH="\${WINEARCH:-}" WINEDEBUG="\${WINEDEBUG:-}" WINEDLLOVERRIDES="\${WINEDLLOVERRIDES:-}" \\
  /bin/sh -c 'cd "\$0" && exec "\$@"' "\$PWD" $tool "\$@"
EOF
    chmod +x "$bin/$tool"
  done
  export PATH=$bin:$PATH WINE=wine
}

case ${1:-} in
  probe) probe ;;
  make) make_root ;;
  run)
    shift
    [ -f "$root/.complete" ] || make_root >/dev/null
    mkdir -p "$prefix"
    while read -r dir; do
      [ -d "$root$dir" ] || $sudo mkdir -p "$root$dir"
    done < <(shared_dirs)
    # A fake root user where the caller is not root: chroot and mounts need one.
    userns=()
    [ "$(id -u)" -ne 0 ] && userns=(--map-root-user)
    namespace=(unshare --mount --propagation private "${userns[@]}")
    if "${namespace[@]}" true 2>/dev/null; then
      exec "${namespace[@]}" bash -c '. "$0" enter-only && exec "$@"' "$0" "$@"
    fi
    [ "$(id -u)" -eq 0 ] ||
      { echo "$0: / is not a mount point here: run as root to mount without a namespace" >&2; exit 1; }
    unmount() {
      local dir
      while read -r dir; do umount -R "$root$dir" 2>/dev/null || umount -R -l "$root$dir"; done \
        < <(shared_dirs | tac)
    }
    trap unmount EXIT
    enter
    "$@" ;;
  enter-only) enter ;;  # sourced by `run` inside the namespace
  *) echo "usage: $0 probe | make | run COMMAND..." >&2; exit 2 ;;
esac
