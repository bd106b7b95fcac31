#!/usr/bin/env bash
# Random crash campaign: runs the converter, stops it at a random moment
# with kill -9 or a catchable signal, and classifies what the run left:
#
#   whole       every output present and equal to an undisturbed run's
#   nothing     no output, no temporary, every older file untouched (inode)
#   detectable  an rc update stopped between its two files: header and .rc
#               of different versions, the header naming a resource the .rc
#               does not hold, so the pair gives a null array; the rerun
#               must repair it
#   leftover    kill -9 on FAT, or in an update's replacing step: a hidden
#               .NAME.hexcrate-XXXXXX, or on FAT the #error placeholder
#               (empty if caught before its text), beside an otherwise
#               whole or untouched set
#   partial     kill -9 as a run's new files are linked: some of them, each
#               whole; the same command with --update must complete the set
#   half-done   anything else
#   blocked     the same command run again does not succeed (checked after
#               every run that did not leave the whole set, and after every
#               --update)
# Only half-done and blocked break a promise of the README; partial is
# counted on its own since the README names it as what kill -9 can leave.
#
# For each kind of run (plain, --update changed and unchanged, --data=rc
# plain and as an update, three inputs with --depfile) on each file system
# (the one of the scratch folder, a tmpfs, FAT through FUSE), inputs from a
# few bytes to tens of MiB, so that a random moment falls into reading,
# writing and publishing alike. Prints a table; exits 1 on any half-done run
# or blocked rerun.
#
# Usage: scripts/crash-campaign.sh [OPTION]... [CONVERTER]
#   --trials N    trials per kind of run and file system (default 20; 200+
#                 for a full campaign)
#   --only REGEX  only the configurations ("fs/kind") that match
#   --seed N      seed of the random choices (default: the clock)
#   --dir DIR     scratch folder (default a new one under build/), also the
#                 file system tested first
#   --keep        keep the scratch folder (for a look at the failures)
# CONVERTER defaults to build/hexcrate-convert. Needs root for the tmpfs
# (else /dev/shm is used) and fusefat, dosfstools and /dev/fuse for FAT
# (skipped with the reason otherwise). Failures are described in
# DIR/failures.log.
set -u
# Job control: background jobs would otherwise ignore SIGINT and SIGQUIT.
set -m

here=$(cd "$(dirname "$0")/.." && pwd)
trials=20 only='' seed=$(date +%s) scratch='' keep='' convert=$here/build/hexcrate-convert
while [ $# -gt 0 ]; do
    case $1 in
        --trials) trials=$2; shift 2 ;;
        --only) only=$2; shift 2 ;;
        --seed) seed=$2; shift 2 ;;
        --dir) scratch=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        -*) echo "crash-campaign.sh: unknown option $1" >&2; exit 2 ;;
        *) convert=$1; shift ;;
    esac
done
convert=$(realpath "$convert")
[ -x "$convert" ] || { echo "crash-campaign.sh: no converter at $convert" >&2; exit 2; }
if [ -z "$scratch" ]; then
    mkdir -p "$here/build"
    scratch=$(mktemp -d "$here/build/crash-campaign.XXXXXX")
fi
mkdir -p "$scratch" && scratch=$(realpath "$scratch")
RANDOM=$seed
mounts=()
cleanup() {
    local m
    for m in "${mounts[@]}"; do
        case $m in fat:*) fusermount -u "${m#fat:}" 2>/dev/null ;; *) umount "$m" 2>/dev/null ;; esac
    done
    [ -n "$keep" ] || rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
log=$scratch/failures.log
heartbeat=$scratch/heartbeat  # touched by every reference run and trial
: >"$log"

# kill -9 three times as often as each catchable signal: about a quarter of
# the trials.
signals=(KILL KILL KILL TERM INT HUP QUIT USR1 USR2 ALRM PIPE)
kinds=(plain update-changed update-unchanged rc rc-update depfile-3)

# Input sizes in bytes; FAT through FUSE writes about 25 MB/s, so it stops
# at 8 MiB (a 52 MB header).
sizes_fast=(5 3000 200000 1500000 8000000 30000000)
sizes_fat=(5 3000 200000 1500000 8000000)

args_of() {  # args_of KIND CLASS: the converter's arguments
    local in=../in/$2
    case $1 in
        plain) echo "-q $in/a.bin" ;;
        update-changed | update-unchanged) echo "-q --update $in/a.bin" ;;
        rc) echo "-q --data=rc $in/a.bin" ;;
        rc-update) echo "-q --update --data=rc $in/a.bin" ;;
        depfile-3) echo "-q --depfile=deps.d $in/a.bin $in/b.bin $in/c.bin" ;;
    esac
}

# The files that stand in the run folder before a run (copied from the
# references), and the reference the finished run must equal.
before_of() {  # before_of KIND -> reference folder names, or nothing
    case $1 in
        update-changed) echo old-hex ;;
        update-unchanged) echo new-hex ;;
        rc-update) echo old-rc ;;
    esac
}
after_of() {
    case $1 in
        plain | update-changed | update-unchanged) echo new-hex ;;
        rc | rc-update) echo new-rc ;;
        depfile-3) echo new-depfile ;;
    esac
}

listing() { (cd "$run" && ls -A | LC_ALL=C sort); }
sizes() { (cd "$run" && for f in $(ls -A | LC_ALL=C sort); do printf '%s (%s) ' "$f" "$(stat -c %s -- "$f")"; done); }
inodes() { (cd "$run" && for f in $(ls -A | LC_ALL=C sort); do stat -c '%n %i' -- "$f"; done); }

# True when NAMES (a listing) are exactly the files of reference folder REF,
# each with the same bytes.
equals_ref() {  # equals_ref NAMES REF
    local names=$1 ref=$2 f
    [ "$names" = "$(ls -A "$ref" | LC_ALL=C sort)" ] || return 1
    for f in $names; do cmp -s "$run/$f" "$ref/$f" || return 1; done
}

# A placeholder, or one caught empty before its text was written.
is_placeholder() {
    [ ! -s "$run/$1" ] || head -c 40 "$run/$1" 2>/dev/null | grep -q '^#error "Unfinished Hexcrate header'
}
resource_in_header() { grep -o 'FindResourceA(module, "[^"]*"' "$run/$1" | sed 's/.*"\(.*\)"/\1/'; }
resource_in_rc() { grep -v '^//' "$run/$1" | head -1 | cut -d' ' -f1; }

# Sets up FS-folder $root: inputs of every size, and the reference outputs of
# each kind of run (also the old ones that updates start from), each timed
# as an undisturbed run.
declare -A duration
prepare() {  # prepare ROOT FSNAME SIZES...
    local root=$1 fs=$2 size kind
    shift 2
    mkdir -p "$root/in" "$root/run" "$refs/$fs"
    for size in "$@"; do
        mkdir -p "$root/in/$size"
        # Old headers: the same command on other bytes of the same size.
        # (fusefat cannot truncate a file: each is written anew.)
        head -c "$size" /dev/urandom >"$root/in/$size/a.bin"
        reference "$root" "$fs" "$size" plain old-hex
        reference "$root" "$fs" "$size" rc old-rc
        rm "$root/in/$size/a.bin"
        for f in a b c; do head -c "$size" /dev/urandom >"$root/in/$size/$f.bin"; done
        for kind in "${kinds[@]}"; do reference "$root" "$fs" "$size" "$kind" "$(after_of "$kind")"; done
    done
}
reference() {  # reference ROOT FS SIZE KIND REFNAME
    local root=$1 fs=$2 size=$3 kind=$4 name=$5 before start
    run=$root/run
    touch "$heartbeat"
    rm -rf "$run" && mkdir "$run"
    before=$(before_of "$kind")
    [ -n "$before" ] && cp -r "$refs/$fs/$size/$before/." "$run/"
    start=$EPOCHREALTIME
    # shellcheck disable=SC2046
    (cd "$run" && "$convert" $(args_of "$kind" "$size") >/dev/null 2>&1) ||
        { echo "reference run failed: $fs $kind $size" >&2; exit 2; }
    duration[$fs/$kind/$size]=$(echo "$EPOCHREALTIME - $start" | bc)
    if [ ! -d "$refs/$fs/$size/$name" ]; then
        mkdir -p "$refs/$fs/$size/$name" && cp -r "$run/." "$refs/$fs/$size/$name/"
    elif ! equals_ref "$(listing)" "$refs/$fs/$size/$name"; then
        echo "$fs $kind $size: an undisturbed run differs from $name" >&2
        exit 2
    fi
}

# One trial; prints its class: whole, nothing, detectable, leftover, partial
# or half-done, followed by " blocked" when the rerun fails.
trial() {  # trial ROOT FS KIND SIZE SIGNAL DELAY
    local root=$1 fs=$2 kind=$3 size=$4 signal=$5 delay=$6 before after status pre_inodes
    run=$root/run
    touch "$heartbeat"
    rm -rf "$run" && mkdir "$run"
    before=$(before_of "$kind")
    after=$refs/$fs/$size/$(after_of "$kind")
    [ -n "$before" ] && cp -r "$refs/$fs/$size/$before/." "$run/"
    pre_inodes=$(inodes)
    local args
    args=$(args_of "$kind" "$size")
    cd "$run" || exit 2
    # shellcheck disable=SC2086
    "$convert" $args >/dev/null 2>"$scratch/stderr" &
    local pid=$!
    sleep "$delay"
    kill -s "$signal" "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    status=$?
    cd "$scratch" || exit 2

    local names leftover='' class
    names=$(listing)
    # What the README names as possible after kill -9: a hidden temporary on
    # FAT, and on any file system in an update's replacing step; on FAT the
    # placeholder.
    if [ "$signal" = KILL ] && { [ "$fs" = fat ] || [ -n "$before" ]; }; then
        local kept=
        for f in $names; do
            case $f in
                .*.hexcrate-??????) leftover=1 ;;
                *) if [ "$fs" = fat ] && is_placeholder "$f"; then leftover=1; else kept="$kept$f"$'\n'; fi ;;
            esac
        done
        names=$(printf '%s' "$kept" | LC_ALL=C sort)
    fi
    if equals_ref "$names" "$after" && [ "$kind" != update-unchanged ]; then
        class=whole
    elif { [ -z "$before" ] && [ -z "$names" ]; } ||
        { [ -n "$before" ] && equals_ref "$names" "$refs/$fs/$size/$before" &&
            { [ -n "$leftover" ] || [ "$(inodes)" = "$pre_inodes" ]; }; }; then
        class=nothing
    else
        class=half-done
    fi
    [ -n "$leftover" ] && [ $class != half-done ] && class=leftover
    # A header and an .rc of different versions, where the header names a
    # resource the .rc does not hold.
    local old=$refs/$fs/$size/old-rc
    if [ $class = half-done ] && [ "$kind" = rc-update ] && [ "$names" = "$(printf 'a.h\na.rc')" ] &&
        { { cmp -s "$run/a.h" "$old/a.h" && cmp -s "$run/a.rc" "$after/a.rc"; } ||
            { cmp -s "$run/a.h" "$after/a.h" && cmp -s "$run/a.rc" "$old/a.rc"; }; } &&
        [ "$(resource_in_header a.h)" != "$(resource_in_rc a.rc)" ]; then
        class=detectable
    fi
    # kill -9 as a run's new files are linked one after the other: some of
    # them, each whole; an --update completes the set.
    if [ $class = half-done ] && [ "$signal" = KILL ] && [ -z "$before" ] && [ -n "$names" ] &&
        [ -z "$(comm -23 <(echo "$names") <(ls -A "$after" | LC_ALL=C sort))" ]; then
        class=partial
        for f in $names; do cmp -s "$run/$f" "$after/$f" || class=half-done; done
    fi
    # A run that reports success has left the whole set.
    if [ $status -eq 0 ] && [ $class != whole ] && [ "$kind" != update-unchanged ]; then class=half-done; fi
    if [ $status -ne 0 ] && [ $status -ne $((128 + $(kill -l "$signal"))) ]; then class=half-done; fi
    local detail
    detail="$fs $kind size $size SIG$signal after ${delay}s: status $status, left: $(sizes)"

    local blocked='' again=$args
    [ $class = partial ] && again="--update $args"
    if [ $class != whole ] || [ -n "$before" ]; then
        cd "$run" || exit 2
        # shellcheck disable=SC2086
        if ! "$convert" $again >/dev/null 2>"$scratch/rerun.err"; then
            blocked=1
        else
            names=$(listing)
            [ -n "$leftover" ] && names=$(grep -v '^\..*\.hexcrate-......$' <<<"$names")
            equals_ref "$names" "$after" || blocked=1
        fi
        cd "$scratch" || exit 2
        [ -n "$blocked" ] && detail="$detail; rerun: $(head -c 300 "$scratch/rerun.err"), left: $(sizes)"
    fi
    [ $class = half-done ] || [ -n "$blocked" ] && echo "$class${blocked:+ blocked}: $detail" >>"$log"
    echo "$class${blocked:+ blocked}"
}

# Runs every selected kind on the file system at ROOT; one table row each.
campaign() {  # campaign ROOT FS SIZES...
    local root=$1 fs=$2 kind
    shift 2
    local sizes=("$@") selected=()
    for kind in "${kinds[@]}"; do
        [ -z "$only" ] || [[ $fs/$kind =~ $only ]] && selected+=("$kind")
    done
    [ ${#selected[@]} -gt 0 ] || return 0
    prepare "$root" "$fs" "${sizes[@]}"
    for kind in "${selected[@]}"; do
        local -A count=([whole]=0 [nothing]=0 [detectable]=0 [leftover]=0 [partial]=0 [half-done]=0 [blocked]=0 [kill]=0)
        local start=$EPOCHREALTIME i
        for ((i = 0; i < trials; i++)); do
            local size=${sizes[RANDOM % ${#sizes[@]}]}
            local signal=${signals[RANDOM % ${#signals[@]}]}
            # A random moment between the start and a little after an
            # undisturbed run's end.
            local delay
            delay=$(echo "scale=4; ${duration[$fs/$kind/$size]} * 1.2 * $RANDOM / 32768" | bc)
            local result
            result=$(trial "$root" "$fs" "$kind" "$size" "$signal" "$delay")
            count[${result%% *}]=$((count[${result%% *}] + 1))
            [[ $result == *blocked ]] && count[blocked]=$((count[blocked] + 1))
            [ "$signal" = KILL ] && count[kill]=$((count[kill] + 1))
        done
        local seconds
        seconds=$(echo "$EPOCHREALTIME - $start" | bc)
        printf '%-6s %-17s %6d %6d %6d %7d %10d %8d %7d %9d %7d %7.0f\n' "$fs" "$kind" "$trials" \
            "${count[kill]}" "${count[whole]}" "${count[nothing]}" "${count[detectable]}" \
            "${count[leftover]}" "${count[partial]}" "${count[half-done]}" "${count[blocked]}" "$seconds"
        bad=$((bad + count[half-done] + count[blocked]))
    done
}

refs=$scratch/refs
bad=0
echo "Converter: $convert; seed $seed; $trials trials per row; scratch: $scratch"
echo "Machine: $(nproc) cores, kernel $(uname -r), load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %-17s %6s %6s %6s %7s %10s %8s %7s %9s %7s %7s\n' fs kind trials kill-9 whole nothing \
    detectable leftover partial half-done blocked seconds

# The scratch folder's own file system.
mkdir -p "$scratch/disk"
campaign "$scratch/disk" "$(df --output=fstype "$scratch" | tail -1)" "${sizes_fast[@]}"

mkdir -p "$scratch/tmpfs"
if mount -t tmpfs -o size=3g tmpfs "$scratch/tmpfs" 2>/dev/null; then
    mounts+=("$scratch/tmpfs")
    campaign "$scratch/tmpfs" tmpfs "${sizes_fast[@]}"
elif [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
    shm=$(mktemp -d /dev/shm/crash-campaign.XXXXXX)
    campaign "$shm" tmpfs "${sizes_fast[@]}"
    rm -rf "$shm"
else
    echo "tmpfs skipped: cannot mount one and /dev/shm is not tmpfs"
fi

# FAT through FUSE: each row on a fresh image of its own. fusefat spins
# forever when it removes a file whose clusters its FAT marks free (what
# truncating an open file leaves there), so a row that shows no progress for
# 45 seconds is stopped with its fusefat and run again on a new image, and
# the table says so.
fat_row() {  # fat_row KIND ATTEMPT: one row; 1 when fusefat stopped answering
    local kind=$1 attempt=$2 dir=$scratch/fat fusefat row i
    fusermount -u -z "$dir" 2>/dev/null
    rm -rf "$dir" "$scratch/fat.img" "$refs/fat" && mkdir -p "$dir"
    mkfs.fat -C "$scratch/fat.img" 524288 >/dev/null || return 2
    fusefat -f -o rw+ "$scratch/fat.img" "$dir" >/dev/null 2>&1 &
    fusefat=$!
    for ((i = 0; i < 100; i++)); do
        [ "$(stat -f -c %T "$dir")" = fuseblk ] && break
        sleep 0.1
    done
    [ "$(stat -f -c %T "$dir")" = fuseblk ] || { kill $fusefat; return 2; }
    touch "$heartbeat"
    (
        RANDOM=$((seed + 1000 * attempt + ${#kind}))
        only="^fat/$kind\$" bad=0
        campaign "$dir" fat "${sizes_fat[@]}"
        echo $bad >"$scratch/fat.bad"
    ) &
    row=$!
    while kill -0 $row 2>/dev/null; do
        sleep 5
        [ -n "$(find "$heartbeat" -newermt '-45 seconds')" ] && continue
        kill -9 $fusefat 2>/dev/null
        kill -9 -- -$row 2>/dev/null
        wait $row 2>/dev/null
        fusermount -u -z "$dir" 2>/dev/null
        return 1
    done
    wait $row
    local status=$?
    [ $status -eq 0 ] && bad=$((bad + $(cat "$scratch/fat.bad")))
    fusermount -u "$dir" 2>/dev/null || fusermount -u -z "$dir"
    wait $fusefat 2>/dev/null
    [ $status -eq 0 ] || exit $status
}

if ! command -v fusefat >/dev/null || ! command -v mkfs.fat >/dev/null || [ ! -e /dev/fuse ]; then
    echo "FAT skipped: needs fusefat, dosfstools and /dev/fuse"
else
    mounts+=("fat:$scratch/fat")
    for kind in "${kinds[@]}"; do
        [ -z "$only" ] || [[ fat/$kind =~ $only ]] || continue
        for attempt in 1 2 3; do
            fat_row "$kind" $attempt
            case $? in
                0) break ;;
                1) echo "fat/$kind: fusefat stopped answering (attempt $attempt of 3)" ;;
                *) echo "FAT skipped: the image could not be mounted through fusefat"; break 2 ;;
            esac
        done
    done
fi

if [ "$bad" -gt 0 ]; then
    echo "$bad half-done runs or blocked reruns; described in $log"
    keep=1
    exit 1
fi
echo "no half-done run, no blocked rerun"
