#!/usr/bin/env bash
# One run, one set of files: the converter never writes over a file the run
# reads or writes under another name, never deletes a file that a look-alike
# placeholder names, keeps every file name inside its comment or string,
# publishes all of a run's outputs or none (faults and signals injected at
# every file call with strace), and never takes bytes from the old header
# of an --update. Usage: transaction_test.sh CONVERTER [CXX]
set -u
convert=$(realpath "$1")
cxx=${2:-g++}
here=$(cd "$(dirname "$0")" && pwd)
include=$here/../../include
work=$(mktemp -d)
mounted=''
trap 'cd / && { [ -z "$mounted" ] || fusermount -u -z "$mounted"; } && rm -rf "$work"' EXIT
passed=0 failed=0 skipped=""

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}
fresh() {  # fresh DIR: an empty folder, made the current one
    rm -rf "$1" && mkdir -p "$1" && cd "$1" || exit 1
}
# Name, inode and content of every file in the current folder; the inode
# tells "untouched" from "replaced by the same bytes".
snapshot() {
    local files
    shopt -s nullglob dotglob && files=(*) && shopt -u nullglob dotglob
    [ ${#files[@]} -gt 0 ] || return 0
    paste -d' ' <(stat -c '%n %i' -- "${files[@]}") <(md5sum -- "${files[@]}" | cut -c1-32)
}
# Without inodes; without what a kill -9 may leave on FAT where $leftovers
# is set: hidden temporaries, and with "placeholder" also #error placeholders
# (empty when the kill came before their text).
contents() {
    local name sum
    snapshot | cut -d' ' -f1,3 | while read -r name sum; do
        case $name in .*.hexcrate-??????) [ -n "${leftovers-}" ] && continue ;; esac
        [ "${leftovers-}" = placeholder ] && { [ ! -s "$name" ] ||
            head -c 40 -- "$name" | grep -q '^#error "Unfinished Hexcrate header'; } && continue
        echo "$name $sum"
    done
}
# Runs the converter; its status in $status, its stderr in $work/err.
try_convert() { "$convert" "$@" >/dev/null 2>"$work/err"; status=$?; }
error_is() { [ "$(cat "$work/err")" = "$1" ]; }
refused() {  # refused BEFORE MESSAGE: status 1, the message, every file as it was
    [ "$status" -eq 1 ] && error_is "hexcrate-convert: $2" && [ "$(snapshot)" = "$1" ]
}

# --- 1, 2: no output may be a file the run reads or writes otherwise -------
fresh "$work/alias"
printf 'precious data' >in.rc
before=$(snapshot)
for update in "" --update; do
    try_convert -q --data=rc $update in.rc
    expect "1: ${update:-new}: a .rc that is the input is refused: $(cat "$work/err")" refused "$before" \
        "in.rc: the .rc file of in.h would be the same file as the input in.rc"
done
# Another name for the same file is the same file.
printf 'precious data' >precious.bin && ln precious.bin linked.rc
before=$(snapshot)
try_convert -q --data=rc --update -o linked.h precious.bin
expect "1: a .rc hard-linked to the input is refused: $(cat "$work/err")" refused "$before" \
    "linked.rc: the .rc file of linked.h would be the same file as the input precious.bin"

fresh "$work/alias"
printf 'abc' >in.bin
before=$(snapshot)
message="in.rc: the dependency file would be the same file as the .rc file of in.h"
try_convert -q --data=rc --depfile=in.rc in.bin
expect "2: a dependency file that is the run's .rc is refused: $(cat "$work/err")" refused "$before" "$message"
try_convert -q --data=rc in.bin
before=$(snapshot)
try_convert -q --data=rc --update --depfile=in.rc in.bin
expect "2: --update: a dependency file that is the run's .rc is refused: $(cat "$work/err")" \
    refused "$before" "$message"
printf 'a' >a.bin; printf 'b' >b.bin
before=$(snapshot)
try_convert -q --data=rc --depfile=b.rc a.bin b.bin
expect "2: a dependency file that is another input's .rc is refused: $(cat "$work/err")" \
    refused "$before" "b.rc: the dependency file would be the same file as the .rc file of b.h"

# --- 3: a look-alike placeholder names no file to delete -------------------
placeholder() {  # placeholder TEMPORARY: an orphan's text naming TEMPORARY
    printf '#error "Unfinished Hexcrate header: converter process 999999 was stopped before its temporary %s replaced this file; convert again."\n' "$1"
}
for mode in new update; do
    fresh "$work/placeholder-$mode"
    printf data >in.bin
    for victim in main.cpp "$PWD/elsewhere/victim" ../placeholder-$mode/main.cpp; do
        rm -rf main.cpp elsewhere && mkdir elsewhere && printf 'keep' >elsewhere/victim
        printf 'int main(){}\n' >main.cpp
        placeholder "$victim" >in.h
        kept=$(cd elsewhere && snapshot; cd .. && stat -c %i main.cpp)
        # A look-alike is an ordinary file: never overwritten, but updated.
        if [ $mode = new ]; then
            try_convert -q in.bin
            expect "3: new: a look-alike placeholder is refused as any file: $status $(cat "$work/err")" \
                test $status -eq 1 -a "$(cat "$work/err")" = \
                "hexcrate-convert: in.h: Please specify an(other) output filename"
        else
            try_convert -q --update in.bin
            expect "3: update: a look-alike placeholder is replaced: $status $(cat "$work/err")" \
                grep -q '^class CInFile' in.h
        fi
        expect "3: $mode: a placeholder naming $victim deletes nothing" \
            test "$(cd elsewhere && snapshot; cd .. && stat -c %i main.cpp 2>&1)" = "$kept"
        rm -f in.h
    done
done

# --- 4: a file name stays inside its comment or string ---------------------
# A name that would be code if a line end ended the comment, and a byte
# that no terminal should see raw.
evil=$'x\n#error injected\nint injected = 42;\r\n#define Z \x1b'
fresh "$work/names"
printf 'HEXCRATE-MARK-4711' >"$evil"
printf 'HEXCRATE-MARK-4711' >ok.bin
echo '#include "ev.h"' >headers.inc
echo 'X(COk, ok_, "back.bin")' >list.inc
for kind in hex string incbin; do
    try_convert -q --data=$kind --name ok_ --class COk -o ev.h -- "$evil"
    try_convert -q --data=$kind --name ok_ --class COk -o plain.h ok.bin
    expect "4: $kind: as many lines as for a plain name" \
        test "$(wc -l <ev.h)" = "$(wc -l <plain.h)"
    rm -f back.bin
    $cxx -std=c++17 -I"$include" -I. "$here/kinds_main.cpp" -o extract 2>compile.log && ./extract &&
        cmp -s back.bin ok.bin
    built=$?
    expect "4: $kind: compiles as written and gives the bytes back: $(head -c 200 compile.log)" \
        test $built -eq 0
    rm -f ev.h plain.h
done
try_convert -q --data=rc --name ok_ --class COk -o ev.h -- "$evil"
expect "4: rc: the name stays in the .rc's comment and string" \
    test "$(grep -c -v '^//' ev.rc)" = 1
# A backslash in a name is part of it, as the resource compiler reads it.
printf 'HEXCRATE-MARK-4711' >'back\slash.bin'
try_convert -q --data=rc -o slash.h 'back\slash.bin'
windres=x86_64-w64-mingw32-windres
if command -v $windres >/dev/null; then
    for rc in ev.rc slash.rc; do
        $windres "$rc" -O res -o out.res 2>windres.log && grep -q HEXCRATE-MARK-4711 out.res
        built=$?
        expect "4: windres reads the named file from $rc: $(head -c 200 windres.log)" test $built -eq 0
    done
else
    skipped+=" windres (install binutils-mingw-w64-x86-64)"
fi

# --- 5, 6, 7: faults and signals at every file call ------------------------
if ! command -v strace >/dev/null; then
    skipped+=" fault injection (install strace)"
elif ! strace -f -qq -o /dev/null true 2>/dev/null; then
    skipped+=" fault injection (ptrace is not permitted here)"
else
    # The calls that create, write, flush, name and remove files.
    calls=fsync,fdatasync,linkat,renameat,renameat2,unlinkat,close,write,ftruncate,fchmod

    # Every call of each, and how often a thread makes it at most.
    call_counts() {  # call_counts ARGS...
        strace -f -qq -o "$work/calls.log" -e trace=$calls "$convert" "$@" >/dev/null 2>&1
        awk '$2 !~ /^</ { split($2, a, "("); n[$1 " " a[1]]++ }
             END { for (k in n) { split(k, b, " "); if (n[k] > m[b[2]]) m[b[2]] = n[k] }
                   for (s in m) print s, m[s] }' "$work/calls.log"
    }

    # What an update may leave when stopped between the files it replaces:
    # every file its old or its new version, and a header beside an .rc of
    # the other version names a resource that .rc does not hold, so the pair
    # gives a null array. The rerun repairs it.
    resource_of() {  # resource_of FILE: the resource a header loads or an .rc holds
        case $1 in
            *.rc) grep -v '^//' "$1" | cut -d' ' -f1 ;;
            *) grep -o 'FindResourceA(module, "[^"]*"' "$1" | cut -d'"' -f2 ;;
        esac
    }
    old_or_new() {  # old_or_new OLD-CONTENTS NEW-CONTENTS
        local -A old new now version
        local name sum
        while read -r name sum; do [ -n "$name" ] && old[$name]=$sum; done <<<"$1"
        while read -r name sum; do [ -n "$name" ] && new[$name]=$sum; done <<<"$2"
        while read -r name sum; do [ -n "$name" ] && now[$name]=$sum; done <<<"$(contents)"
        for name in "${!old[@]}"; do [ -n "${now[$name]-}" ] || return 1; done
        for name in "${!now[@]}"; do
            if [ "${now[$name]}" = "${new[$name]-}" ]; then
                version[$name]=new
            elif [ "${now[$name]}" = "${old[$name]-}" ]; then
                version[$name]=old
            else
                return 1
            fi
        done
        for name in "${!now[@]}"; do
            local header=${name%.rc}.h
            [[ $name == *.rc ]] && [ -n "${now[$header]-}" ] || continue
            [ "${version[$name]}" = "${version[$header]}" ] ||
                [ "$(resource_of "$name")" != "$(resource_of "$header")" ] || return 1
        done
    }

    # sweep NAME SETUP INJECTIONS -- ARGS...: for every call an undisturbed
    # run makes, a run where INJECTION happens at that call (EIO: it fails;
    # TERM, KILL: the signal arrives as it is entered). SETUP makes the
    # folder's state before each run. Each run must leave the whole set
    # (status 0, or the signal's) or the state before, untouched (any status
    # but 0), or for an update what `old_or_new` allows, and a run left
    # without the whole set must not block the same command run again.
    # Prints what went wrong.
    sweep() {
        local setup=$1 injections=$2 update='' dir=${sweep_dir:-$work/sweep}
        shift 3
        [[ " $* " == *" --update "* ]] && update=1
        fresh "$dir" && $setup
        "$convert" "$@" >/dev/null 2>&1 || { echo "an undisturbed run failed"; return; }
        local whole
        whole=$(contents)
        mkdir "$work/whole" && cp -- * "$work/whole/"
        fresh "$dir" && $setup
        local counts
        counts=$(call_counts "$@")
        local injection call count k
        for injection in $injections; do
            while read -r call count; do
                for ((k = 1; k <= count; k++)); do
                    fresh "$dir" && $setup
                    local before spec leftovers=''
                    # kill -9 may leave a hidden temporary on FAT, and on any file
                    # system in an update's replacing step.
                    [ $injection = KILL ] && [ -n "$update" ] && leftovers=hidden
                    [ -n "${on_fat-}" ] && [ $injection = KILL ] && leftovers=placeholder
                    before=$(snapshot)
                    case $injection in
                        EIO) spec=error=EIO ;;
                        *) spec=signal=SIG$injection ;;
                    esac
                    { strace -f -qq -o /dev/null -e inject=$call:$spec:when=$k \
                        "$convert" "$@" >/dev/null 2>"$work/err"; } 2>/dev/null
                    local status=$? state='' rerun=''
                    # (A run may fail after its files are whole: standard output
                    # could not be closed, or the folder not flushed.)
                    if [ "$(contents)" = "$whole" ]; then
                        continue
                    elif [ $status -ne 0 ] && { [ "$(snapshot)" = "$before" ] ||
                        { [ -n "${on_fat-}" ] && [ "$(contents)" = "$(cut -d' ' -f1,3 <<<"$before")" ]; }; }; then
                        state=nothing
                    elif [ -n "$update" ] && [ $status -ne 0 ] &&
                        old_or_new "$(cut -d' ' -f1,3 <<<"$before")" "$whole"; then
                        state=mixed
                    fi
                    if [ -n "$state" ]; then
                        [ -n "$leftovers" ] && leftovers=hidden
                        "$convert" "$@" >/dev/null 2>"$work/rerun.err" && [ "$(contents)" = "$whole" ] &&
                            continue
                        rerun="; rerun: $(cat "$work/rerun.err")"
                    fi
                    echo "$call #$k $injection: status $status, $(head -c 120 "$work/err")" \
                        "left $(ls -A | tr '\n' ' ')$rerun"
                done
            done <<<"$counts"
        done
        rm -rf "$work/whole"
    }
    no_faults() {  # no_faults CHECK NAME SETUP INJECTIONS -- ARGS...: a sweep
        local check=$1 name=$2 report
        shift 2
        report=$(sweep "$@")
        $check "$name: $(printf '%s\n' "$report" | head -5)" test -z "$report"
    }

    # 5: the .rc is published first; a signal before the header follows
    # must take it away again.
    rc_new() { printf 'abc' >in.bin; }
    fresh "$work/rc" && rc_new
    { strace -f -qq -o /dev/null -e inject=fsync:signal=SIGTERM:when=2 "$convert" -q --data=rc in.bin; } 2>/dev/null
    status=$?
    expect "5: SIGTERM after the .rc's flush: status $status" test $status -eq 143
    expect "5: SIGTERM after the .rc's flush leaves nothing: $(ls -A | tr '\n' ' ')" \
        test "$(ls -A)" = in.bin
    try_convert -q --data=rc in.bin
    expect "5: and the rerun succeeds: $(cat "$work/err")" test $status -eq 0
    no_faults expect "5: rc, a fault or SIGTERM at any call" rc_new "EIO TERM" -- -q --data=rc in.bin

    # 6: an update replaces header and .rc together, or leaves a pair that
    # the checksum tells apart.
    rc_update() {
        printf 'old bytes' >in.bin && "$convert" -q --data=rc in.bin && cp in.h old.h
        rm in.bin && printf 'new bytes' >in.bin  # (FUSE's FAT cannot truncate a file)
    }
    no_faults expect "6: rc update, a fault or a signal at any call" rc_update "EIO TERM KILL" -- \
        -q --update --data=rc in.bin

    # 7: several inputs and their dependency file: all or nothing.
    three() { printf 'a' >m1.bin; printf 'b' >m2.bin; printf 'c' >m3.bin; }
    fresh "$work/three" && three
    strace -f -qq -o /dev/null -e inject=linkat:error=EIO:when=2 "$convert" -q --depfile=all.d m1.bin m2.bin 2>"$work/err"
    status=$?
    expect "7: the second header's link fails: status $status" test $status -eq 1
    expect "7: and says so: $(cat "$work/err")" \
        error_is "hexcrate-convert: m2.h: Output file could not be written. (Input/output error)"
    expect "7: and leaves nothing: $(ls -A | tr '\n' ' ')" test "$(ls -A)" = "$(printf 'm1.bin\nm2.bin\nm3.bin')"
    try_convert -q --depfile=all.d m1.bin m2.bin
    expect "7: the rerun succeeds: $(cat "$work/err")" test $status -eq 0
    no_faults expect "7: three inputs and a dependency file, a fault or SIGTERM at any call" three "EIO TERM" -- \
        -q --depfile=all.d m1.bin m2.bin m3.bin
    three_update() {
        three && "$convert" -q --depfile=all.d m1.bin m2.bin m3.bin
        printf 'A' >m1.bin; printf 'B' >m2.bin; printf 'C' >m3.bin
    }
    no_faults expect "7: three updated headers and a dependency file, a fault or SIGTERM at any call" \
        three_update "EIO TERM" -- -q --update --depfile=all.d m1.bin m2.bin m3.bin
fi

# --- 5, 7 on FAT through FUSE: no hard links, no RENAME_NOREPLACE ----------
# The same sweeps where publishing renames over a placeholder. After kill -9
# a hidden temporary or the #error placeholder may stay (and is all that may).
fat_sweeps() {
    on_fat=1 sweep_dir=$mounted/sweep
    no_faults expect "FAT: a fault or SIGTERM at any call" rc_new "EIO TERM" -- -q in.bin
    no_faults expect "FAT: kill -9 at any call" rc_new KILL -- -q in.bin
    no_faults expect "FAT: rc, a fault or SIGTERM at any call" rc_new "EIO TERM" -- -q --data=rc in.bin
    no_faults expect "FAT: three inputs and a dependency file, a fault or SIGTERM at any call" three \
        "EIO TERM" -- -q --depfile=all.d m1.bin m2.bin m3.bin
}
# An update that starts its files again (the .rc differs first): FUSE's FAT
# mishandles a file truncated while open, which only a check of the
# unmounted image shows. On an image of its own, so that what fusefat
# makes of the sweeps' killed and faulted converters is not counted.
fat_update() {
    fresh "$mounted/update" && rc_update
    try_convert -q --update --data=rc in.bin
    expect "FAT: an rc update succeeds: $(cat "$work/err")" test $status -eq 0
}
# on_fat NAME FUNCTION [sound]: FUNCTION run on a fresh FAT image mounted
# through fusefat; with "sound", the image must pass fsck once unmounted.
# fusefat runs single-threaded (its threads can race each other over the
# FAT) and in the foreground of a job of its own, so that if it stops
# answering it can be ended.
on_fat() {
    local name=$1 image=$work/$1.img sweeper i
    mkdir "$work/$name" && mkfs.fat -C "$image" 65536 >/dev/null || return
    fusefat -f -s -o rw+ "$image" "$work/$name" >/dev/null 2>&1 &
    fusefat=$!
    for ((i = 0; i < 100; i++)); do
        [ "$(stat -f -c %T "$work/$name")" = fuseblk ] && mounted=$work/$name && break
        sleep 0.1
    done
    if [ -z "$mounted" ]; then
        kill $fusefat 2>/dev/null
        skipped+=" FAT (the image could not be mounted through fusefat)"
        return
    fi
    rm -f "$work/fat.counts"
    set -m  # a process group of its own, to end it whole
    { $2; echo "$passed $failed" >"$work/fat.counts"; } &
    sweeper=$!
    set +m
    for ((i = 0; i < 360; i++)); do kill -0 $sweeper 2>/dev/null && sleep 1 || break; done
    if [ ! -s "$work/fat.counts" ]; then
        kill -9 -- $fusefat -$sweeper 2>/dev/null
        skipped+=" FAT (fusefat stopped answering)"
    fi
    wait $sweeper 2>/dev/null
    # Unmounted at once (nothing holds it), and fusefat left to end by itself,
    # so that it writes all it holds back to the image.
    cd / && { fusermount -u "$mounted" || fusermount -u -z "$mounted"; } && mounted=''
    for ((i = 0; i < 100; i++)); do kill -0 $fusefat 2>/dev/null && sleep 0.1 || break; done
    kill -9 $fusefat 2>/dev/null
    wait $fusefat 2>/dev/null
    [ -s "$work/fat.counts" ] || return
    read -r passed failed <"$work/fat.counts"
    [ "${3-}" = sound ] || return
    sound() { fsck.fat -n "$image" >/dev/null; }
    expect "FAT: $name: the file system is sound afterwards: $(fsck.fat -n "$image" | sed -n 2,4p)" sound
}
if [ -n "${calls-}" ]; then
    if ! command -v fusefat >/dev/null || ! command -v mkfs.fat >/dev/null || [ ! -e /dev/fuse ]; then
        skipped+=" FAT (needs fusefat, dosfstools and /dev/fuse)"
    else
        on_fat fat-sweeps fat_sweeps
        on_fat fat-update fat_update sound
    fi
fi

# --- 8: --update formats every byte it writes ------------------------------
# An update writes what a fresh conversion writes, from old files of other
# bytes, and for rc from the new .rc beside the old header.
fresh "$work/update-kinds"
for kind in hex string incbin rc rc-mixed; do
    printf 'old bytes' >in.bin
    "$convert" -q --data=${kind%-mixed} in.bin
    printf 'new bytes' >in.bin
    if [ $kind = rc-mixed ]; then
        mv in.h old.h && "$convert" -q --data=rc --update in.bin && mv old.h in.h
    fi
    "$convert" -q --update --data=${kind%-mixed} in.bin
    mkdir updated && mv in.h in.rc updated/ 2>/dev/null
    "$convert" -q --data=${kind%-mixed} in.bin
    expect "8: $kind: an update writes what a fresh conversion writes" \
        test "$(cat updated/* | md5sum)" = "$(cat in.h in.rc 2>/dev/null | md5sum)"
    rm -rf updated in.h in.rc
done
# The old header agrees with the new one but for the last bytes. While the
# converter is held in a read (strace), bytes that it has already compared
# change in place; the published header must not carry them.
held_in_read() {  # held_in_read PID: true once a thread of PID waits, stopped, in a read
    local tries hits=0 task
    for ((tries = 0; tries < 400; tries++)); do
        local stopped=
        for task in /proc/"$1"/task/*; do
            [ "$(sed 's/.*) //' "$task/stat" 2>/dev/null | cut -d' ' -f1)" = t ] &&
                case $(cut -d' ' -f1 "$task/syscall" 2>/dev/null) in 0 | 17 | 295) stopped=1 ;; esac
        done
        if [ -n "$stopped" ]; then hits=$((hits + 1)); else hits=0; fi
        [ $hits -ge 4 ] && return 0
        sleep 0.05
    done
    return 1
}
if command -v strace >/dev/null && strace -f -qq -o /dev/null true 2>/dev/null; then
    fresh "$work/update"
    head -c 4000000 /dev/urandom >in.bin
    "$convert" -q in.bin 2>/dev/null
    printf 'X' | dd of=in.bin bs=1 seek=3999999 conv=notrunc 2>/dev/null
    mkdir ref && "$convert" -q -o ref/in.h in.bin 2>/dev/null
    # Every thread's twelfth read (the main thread's eighth of the old
    # header) waits four seconds.
    strace -f -qq -o /dev/null -e inject=read,pread64,preadv:delay_enter=4000000:when=12 \
        "$convert" -q --update in.bin 2>"$work/err" &
    tracer=$!
    sleep 0.1
    converter=$(pgrep -P $tracer)
    held=no
    if [ -n "$converter" ] && held_in_read "$converter"; then
        held=yes
        printf 'ALTERED!' | dd of=in.h bs=1 seek=5000 conv=notrunc 2>/dev/null
    fi
    wait $tracer
    status=$?
    expect "8: the converter was held in a read mid-run" test $held = yes
    expect "8: the update succeeds: $status $(cat "$work/err")" test $status -eq 0
    expect "8: the header holds only what the converter formatted" cmp -s in.h ref/in.h
fi

cd / || exit 1
[ -n "$skipped" ] && echo "skipped:$skipped"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] || exit 1
[ -z "$skipped" ] || exit 77
