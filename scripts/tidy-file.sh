#!/usr/bin/env bash
# clang-tidy on one source file, for `make lint`: on success, touches STAMP
# and lists in STAMP.d the project headers the file includes, so that make
# checks it again only when it or one of them changes.
# Usage: tidy-file.sh BUILD_DIR SOURCE STAMP
set -euo pipefail
build=$1 source=$2 stamp=$3
mkdir -p "$(dirname "$stamp")"

# Sources for another platform are not compiled here, so not checked here.
if ! grep -q "\"file\": \"$PWD/$source\"" "$build/compile_commands.json"; then
  touch "$stamp"
  exit 0
fi

echo "clang-tidy $source"
if ! clang-tidy -p "$build" --quiet "$source" 2>"$stamp.err"; then
  grep -v 'warnings generated' "$stamp.err" >&2 || true
  exit 1
fi

# The file's own compile command, with -MM in place of its output.
python3 - "$build/compile_commands.json" "$source" "$stamp" <<'PY'
import json, os, shlex, subprocess, sys
db, source, stamp = sys.argv[1:]
source = os.path.abspath(source)
entry = next(e for e in json.load(open(db)) if e["file"] == source)
args = entry.get("arguments") or shlex.split(entry["command"])
kept, skip = [], False
for arg in args:
    if skip:
        skip = False
    elif arg == "-o":
        skip = True
    else:
        kept.append(arg)
subprocess.run(kept + ["-MM", "-MP", "-MT", stamp, "-MF", os.path.abspath(stamp + ".d")], cwd=entry["directory"], check=True)
PY
touch "$stamp"
