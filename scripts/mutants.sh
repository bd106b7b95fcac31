#!/usr/bin/env bash
# Mutation testing of the conversion's hot path: each small change listed in
# tests/mutants/mutants.txt is applied to a copy of the tree, only what it
# touches is rebuilt, and the tests named for it must then fail (the mutant is
# "killed"); a run that outlasts MUTANT_TIMEOUT counts as killed too, since a
# hang fails any test run. Exits non-zero when a mutant survives, when its
# text is not found exactly once in its file, or when it does not build.
#
# Usage: scripts/mutants.sh [LIST]
#   MUTANTS_DIR     where the copy and its build live (default build-mutants)
#   MUTANTS_MATCH   only the mutants whose line contains this text
#   MUTANT_TIMEOUT  seconds a mutant's tests may take (default 30)
#   JOBS            parallel compile jobs (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list=${1:-$root/tests/mutants/mutants.txt}
work=${MUTANTS_DIR:-$root/build-mutants}
match=${MUTANTS_MATCH:-}
limit=${MUTANT_TIMEOUT:-30}
jobs=${JOBS:-2}
src=$work/src
build=$work/build
logs=$work/logs
tmp=$work/tmp
started=$SECONDS

die() { echo "mutants: $*" >&2; exit 2; }

# How often TEXT occurs in CONTENT.
occurrences() {  # occurrences CONTENT TEXT
    local rest=$1 n=0
    while [[ $rest == *"$2"* ]]; do rest=${rest#*"$2"}; n=$((n + 1)); done
    echo "$n"
}

# A file's exact bytes, trailing line ends included.
slurp() { local text; text=$(cat "$1"; printf x); printf '%s' "${text%x}"; }

# --- The list: every line checked before anything is built. -----------------
files=() originals=() replacements=() binaries=() filters=() problems=0
while IFS= read -r line || [ -n "$line" ]; do
    case $line in '' | '#'*) continue ;; esac
    [ -z "$match" ] || [[ $line == *"$match"* ]] || continue
    IFS=$'\x1f' read -r file original replacement binary filter extra \
        <<<"$(sed -E 's/(\t| {2,})+/\x1f/g' <<<"$line")"
    if [ -z "$filter" ] || [ -n "$extra" ]; then
        echo "mutants: not five fields: $line" >&2; problems=$((problems + 1)); continue
    fi
    if [ ! -f "$root/$file" ]; then
        echo "mutants: no such file: $file" >&2; problems=$((problems + 1)); continue
    fi
    found=$(occurrences "$(slurp "$root/$file")" "$original")
    if [ "$found" -ne 1 ]; then
        echo "mutants: '$original' occurs $found times in $file, not once: the code changed," \
             "update the list" >&2
        problems=$((problems + 1)); continue
    fi
    files+=("$file") originals+=("$original") replacements+=("$replacement")
    binaries+=("$binary") filters+=("$filter")
done <"$list"
[ "$problems" -eq 0 ] || die "$problems line(s) of $list need fixing"
[ "${#files[@]}" -gt 0 ] || die "no mutants in $list${match:+ that contain \"$match\"}"

# --- A copy of the tree and its build. ----------------------------------------
# Only files whose content differs are copied, each then newer than anything
# built from it, so the build recompiles exactly what changed, also after a
# run that was stopped with a mutant in place.
mkdir -p "$src" "$logs"
cd "$root"
git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' f; do
    [ -f "$f" ] && ! cmp -s "$f" "$src/$f" && mkdir -p "$src/$(dirname "$f")" && cp "$f" "$src/$f"
    true
done
if [ ! -f "$build/CMakeCache.txt" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    (cd "$src" && cmake --preset default -B "$build" "${launcher[@]}" >"$logs/configure.log") ||
        die "configuring failed, see $logs/configure.log"
fi
targets=$(printf '%s\n' "${binaries[@]}" | sort -u | xargs)
echo "mutants: building $targets in $build"
# shellcheck disable=SC2086
cmake --build "$build" -j "$jobs" --target $targets >"$logs/build.log" 2>&1 ||
    { tail -30 "$logs/build.log"; die "the unchanged tree does not build"; }

binary_path() { find "$build/tests" -type f -name "$1" -perm -u+x | head -1; }

# --- The tests must pass, and select something, before any mutant. -----------
declare -A checked=()
for i in "${!files[@]}"; do
    key="${binaries[$i]} ${filters[$i]}"
    [ -z "${checked[$key]:-}" ] || continue
    checked[$key]=1
    exe=$(binary_path "${binaries[$i]}")
    [ -n "$exe" ] || die "no test program ${binaries[$i]} in $build"
    if ! "$exe" --gtest_filter="${filters[$i]}" >"$logs/baseline.log" 2>&1; then
        tail -30 "$logs/baseline.log"
        die "$key fails without any mutant"
    fi
    grep -q '^\[  PASSED  \] [1-9]' "$logs/baseline.log" || die "$key selects no test"
done
echo "mutants: the tests pass unchanged ($((SECONDS - started)) s so far)"

# --- Each mutant in turn. -------------------------------------------------------
current=
restore() { [ -z "$current" ] || printf '%s' "$pristine" >"$src/$current"; current=; }
trap restore EXIT
killed=0 survived=0 broken=0
for i in "${!files[@]}"; do
    n=$((i + 1)) file=${files[$i]} log=$logs/$((i + 1)).log t0=$SECONDS
    what="$file: ${originals[$i]} -> ${replacements[$i]}"
    pristine=$(slurp "$src/$file")
    current=$file
    printf '%s' "${pristine/"${originals[$i]}"/"${replacements[$i]}"}" >"$src/$file"
    if ! cmake --build "$build" -j "$jobs" --target "${binaries[$i]}" >"$log" 2>&1; then
        verdict="DOES NOT BUILD" broken=$((broken + 1))
    else
        status=0
        # A hung test may also hang in a signal handler: KILL follows TERM.
        # What a killed test leaves in its temporary folders goes with $tmp.
        mkdir -p "$tmp"
        TMPDIR=$tmp timeout -k 5 "$limit" "$(binary_path "${binaries[$i]}")" \
            --gtest_filter="${filters[$i]}" >>"$log" 2>&1 || status=$?
        rm -rf "$tmp"
        case $status in
            0) verdict=SURVIVED survived=$((survived + 1)) ;;
            124 | 137) verdict="killed (timed out)" killed=$((killed + 1)) ;;
            *) verdict=killed killed=$((killed + 1)) ;;
        esac
    fi
    restore
    printf '%2d %-18s %s  [%s, %d s]\n' "$n" "$verdict" "$what" "${filters[$i]}" $((SECONDS - t0))
done

total=${#files[@]}
echo "mutants: $killed of $total killed, $survived survived, $broken did not build" \
     "($((SECONDS - started)) s; logs in $logs)"
[ "$survived" -eq 0 ] && [ "$broken" -eq 0 ]
