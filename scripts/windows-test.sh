#!/usr/bin/env bash
# Runs the Windows builds' tests (after windows-build.sh):
#   win64: every test under the host's 64-bit Wine;
#   win32: the static checks (imports, resources, the percentage's machine
#          code), then, where this kernel runs i386 programs, every test under
#          32-bit Wine in its own i386 root; it says which of the two ran.
# Every target's suite runs even when another fails; a target that
# windows-build.sh did not finish counts as failed. The run fails at the end.
# Usage: windows-test.sh [win32|win64]...   (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-lib.sh
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(win64 win32)

suite() {  # suite TARGET LABELS
  (cd "build-$1" && ctest --output-on-failure -L "$2")
}

test_target() {  # test_target TARGET: its suite; status 1 if any part failed
  case $1 in
    win64)
      WINEARCH=win64 timed "tests of win64 under 64-bit Wine" suite win64 'windows|static' ;;
    win32)
      local status=0
      timed "static checks of win32" suite win32 static || status=1
      if bash scripts/windows-i386-root.sh probe; then
        echo "win32: this kernel runs i386 programs: the whole suite under 32-bit Wine in an i386 root"
        timed "i386 Wine root" bash scripts/windows-i386-root.sh make >/dev/null || return 1
        WINEARCH=win32 timed "tests of win32 under 32-bit Wine" \
          bash scripts/windows-i386-root.sh run bash -c "cd build-win32 && ctest --output-on-failure -L windows" ||
          status=1
      else
        echo "win32: this kernel cannot run i386 programs: only the static checks of the 32-bit build ran" \
             "(imports, resources, SSE2 percentage); the 64-bit build ran the whole suite"
      fi
      return $status ;;
  esac
}

failed=()
for target in "${targets[@]}"; do
  windows_arch "$target" >/dev/null
  if [ ! -f "build-$target/.complete" ]; then
    echo "$target: not built (scripts/windows-build.sh $target failed): its tests did not run" >&2
    failed+=("$target")
  elif ! test_target "$target"; then
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Windows suite failed for: ${failed[*]}" >&2
  exit 1
fi
echo "Windows suite passed: ${targets[*]}"
