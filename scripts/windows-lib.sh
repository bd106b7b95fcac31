# Sourced by the Windows scripts: the target names and a stage timer.

# windows_arch win32|win64: the mingw-w64 architecture of a target.
windows_arch() {
  case $1 in
    win32) echo i686 ;;
    win64) echo x86_64 ;;
    *) echo "unknown Windows target '$1' (win32 or win64)" >&2; return 2 ;;
  esac
}

# timed NAME COMMAND...: runs COMMAND and says on stderr how long it took,
# so that every CI log shows where the Windows part spends its time.
timed() {
  local name=$1 start=$SECONDS status=0
  shift
  "$@" || status=$?
  echo "[time] $name: $((SECONDS - start)) s" >&2
  return $status
}
