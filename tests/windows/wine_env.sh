# Sourced by the Windows test scripts: one quiet Wine prefix per word size,
# made once and kept outside the clone, no prompts for the Mono and Gecko
# add-ons, no launchers written into the host's menus for Start-menu
# entries, UTF-8 as the locale Wine reads Unix names and arguments in, and
# $WINE, the loader that runs the programs.
export WINEARCH=${WINEARCH:-win32}
export WINEPREFIX=${WINEPREFIX:-${HEXCRATE_CACHE:-$HOME/.cache/hexcrate}/wine-$WINEARCH}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}
export LC_ALL=C.UTF-8

# Debian's `wine` prefers the 32-bit loader whenever it is installed, even
# where the kernel cannot run it; 64-bit programs get the 64-bit one. A WINE
# given from outside (the i386 root's wrapper) is kept.
if [ -n "${WINE:-}" ]; then
  :
elif WINE=wine && [ "$WINEARCH" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
  WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  DISPLAY= "$WINE" wineboot --init >/dev/null 2>&1
  wineserver --wait
fi
