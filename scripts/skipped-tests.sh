#!/usr/bin/env bash
# Lists the tests that the last ctest run in BUILD skipped, each with the
# reason its output gives, from the JUnit file that `make test` has ctest
# write. With --fail (CI) a skipped test is an error.
# Usage: skipped-tests.sh BUILD [--fail]
set -euo pipefail
build=${1:?usage: $0 BUILD [--fail]}
fail=${2:-}
results=$build/Testing/results.xml
[ -f "$results" ] || { echo "skipped-tests.sh: no $results (run the tests first)" >&2; exit 2; }

python3 - "$results" "$fail" <<'PY'
import re
import sys
import xml.etree.ElementTree as ET

results, fail = sys.argv[1:]
skipped = []
for case in ET.parse(results).getroot().iter("testcase"):
    if case.find("skipped") is None:
        continue
    out = (case.findtext("system-out") or "").splitlines()
    # The shell tests say "SKIPPED: reason" (older ones "SKIP: reason" or a
    # line that says what was skipped); GoogleTest prints its reason on the
    # line after "file:line: Skipped".
    reasons = []
    for line in out:
        tagged = re.match(r"^(?:SKIPPED|SKIP):\s*(.+)", line)
        if tagged:
            reasons.append(tagged.group(1))
        elif re.search(r"\bskipped\b", line) and not line.startswith("[  SKIPPED ]"):
            reasons.append(line.strip())
    for i, line in enumerate(out):
        if line.endswith(": Skipped") and i + 1 < len(out) and out[i + 1].strip():
            reasons.append(out[i + 1].strip())
    skipped.append((case.get("name"), "; ".join(dict.fromkeys(reasons)) or "no reason given"))

if skipped:
    print(f"{len(skipped)} test(s) skipped:")
    for name, reason in skipped:
        print(f"  {name}: {reason}")
    if fail == "--fail":
        print("Every test must run here: install what they need (see the reasons above).")
        sys.exit(1)
PY
