# Skipping for the shell tests, sourced by them. ctest reports a test that
# ends with status 77 as Skipped, never as Passed, when the test sets
#   set_tests_properties(NAME PROPERTIES SKIP_RETURN_CODE 77)
# and the reason printed here stays in its log (`ctest -V`, and the list
# that `make test` prints at its end).
#
#   skip REASON...          ends the test now as skipped
#   need COMMAND...         skip unless every COMMAND is installed
#   skip_part REASON...     a part that cannot run here: the test goes on
#   skip_status FAILED      0, 1 when FAILED > 0, or 77 when parts were skipped
# shellcheck shell=bash
skipped_parts=()

skip() {
    echo "SKIPPED: $*"
    exit 77
}

need() {
    local missing=() tool
    for tool in "$@"; do command -v "$tool" >/dev/null || missing+=("$tool"); done
    [ ${#missing[@]} -eq 0 ] || skip "not installed: ${missing[*]}"
}

skip_part() {
    skipped_parts+=("$*")
    echo "skipping: $*"
}

# A failure outweighs a skipped part: the test then fails.
skip_status() {
    [ "$1" -gt 0 ] && return 1
    [ ${#skipped_parts[@]} -eq 0 ] && return 0
    local part
    for part in "${skipped_parts[@]}"; do echo "SKIPPED: $part"; done
    return 77
}
