#!/usr/bin/env bash
# Dependency files as GNU Make and Ninja read them: for every odd character
# in the input's or the header's name, the converter either writes a file
# from which both tools read exactly that dependency, or refuses before it
# writes anything. Usage: depfile_test.sh CONVERTER
set -u
export HEXCRATE
HEXCRATE=$(realpath "$1")
for tool in make ninja; do
    command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
fail() { failed=$((failed + 1)); echo "FAIL $*"; }

# Up to date, still up to date after a look-alike file changes, out of date
# once the input changes: "0 0 1".
make_view() {  # make_view HEADER INPUT LOOKALIKE
    printf 'include dep.d\n%%:: ; @:\n' > Makefile
    local a b c
    make -q -- "$1" 2>>tool.err; a=$?
    touch -- "$3"; make -q -- "$1" 2>>tool.err; b=$?
    touch -- "$2"; make -q -- "$1" 2>>tool.err; c=$?
    echo "$a $b $c"
}
ninja_view() {  # the same; Ninja runs the converter itself
    local out
    out=$(printf '%s' "$1" | sed -e 's/\$/$$/g' -e 's/\([ :]\)/$\1/g')
    printf 'rule convert\n  command = "$$HEXCRATE" -q --update --depfile=dep.d -o "$$OUT" -- "$$IN"\n  depfile = dep.d\nbuild %s: convert\n' \
        "$out" > build.ninja
    ninja() { OUT=$1 IN=$2 command ninja "$@" 2>>tool.err; }
    OUT=$1 IN=$2 command ninja >>tool.err 2>&1 || { echo "first build failed"; return; }
    touch -d '1 minute ago' -- "$2" "$3"
    quiet() { OUT=$1 IN=$2 command ninja -n 2>&1 | grep -q '^ninja: no work to do'; echo $?; }
    local a b c
    a=$(quiet "$@"); touch -- "$3"; b=$(quiet "$@"); touch -- "$2"; c=$(quiet "$@")
    echo "$a $b $c"
}

# try WHICH NAME: NAME as the input's name (WHICH=input) or the header's.
try() {
    local which=$1 name=$2 input=in.bin header=out.h
    if [ "$which" = input ]; then input=$name; else header=$name; fi
    local dir="$work/case" lookalike
    rm -rf "$dir" && mkdir -p "$dir/$(dirname -- "$name")" && cd "$dir" || exit 1
    lookalike=$(printf '%s' "$name" | tr -c 'A-Za-z0-9\n' x)
    printf 'x' > "$input"; printf 'x' > "$lookalike"
    touch -d '1 minute ago' -- "$input" "$lookalike"
    "$HEXCRATE" -q --depfile=dep.d -o "$header" -- "$input" 2>err
    local status=$?
    if [ $status -ne 0 ]; then
        if [ $status -eq 1 ] && grep -q "Dependency file cannot name" err &&
            [ "$(ls -A | grep -Fvx -e err -e "${input%%/*}" -e "$lookalike")" = "" ]; then
            echo refused
        else
            echo "status $status, $(cat err), left: $(ls -A | tr '\n' ' ')"
        fi
        return
    fi
    touch -d '30 seconds ago' -- "$header"
    local m n
    m=$(make_view "$header" "$input" "$lookalike")
    rm -f -- "$header" dep.d
    n=$(ninja_view "$header" "$input" "$lookalike")
    if [ "$m" = "0 0 1" ] && [ "$n" = "0 0 1" ]; then echo read; else
        echo "make $m, ninja $n (want 0 0 1): $(head -c 300 tool.err)"; fi
}

# Every printable ASCII character but '/', a tab, and backslash runs before
# the escaped characters; both sides of the rule.
names=()
for code in $(seq 32 46) $(seq 58 64) $(seq 91 96) $(seq 123 126); do
    names+=("a$(printf "\\$(printf %03o "$code")")b")
done
names+=($'a\tb' 'a\b' 'a\ b' 'a\\ b' 'a\#b' 'a\:b' 'ab\' 'ab:' $'caf\xc3\xa9' 'sub dir/a b')
# What a build system needs most must be written, not refused.
must_read=('a b' 'a#b' 'a$b' 'a:b' 'a(b' 'a!b' 'a@b' 'a+b' 'a,b' 'a~b' 'a{b' 'a]b' 'a\b' 'a\ b'
           $'caf\xc3\xa9' 'sub dir/a b')

for which in input header; do
    for name in "${names[@]}"; do
        result=$(try "$which" "$name")
        case $result in
            read|refused) passed=$((passed + 1)) ;;
            *) fail "$which '$name': $result" ;;
        esac
        for wanted in "${must_read[@]}"; do
            [ "$name" = "$wanted" ] && [ "$result" != read ] && fail "$which '$name' must be read"
        done
    done
done
# The source kind: one line names the header and its C file, both targets
# of one rule. Make sees both follow the input; Ninja, whose rule has both
# outputs, reads the line (the header first) and converts again only once
# the input changes.
source_kind() {
    local dir=$work/source
    rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1
    printf 'x' >in.bin
    touch -d '1 minute ago' in.bin
    "$HEXCRATE" -q --data=source --depfile=dep.d -o 'a b.h' in.bin || { echo "convert failed"; return; }
    [ "$(cat dep.d)" = 'a\ b.h a\ b.c: in.bin' ] || { echo "line: $(cat dep.d)"; return; }
    touch -d '30 seconds ago' 'a b.h' 'a b.c'
    printf 'include dep.d\n%%:: ; @:\n' >Makefile
    local m n
    make -q 'a b.h' && make -q 'a b.c'
    m="$? $(touch in.bin; make -q 'a b.h'; echo $?) $(make -q 'a b.c'; echo $?)"
    rm -f 'a b.h' 'a b.c' dep.d
    # shellcheck disable=SC2016 # ninja's own variables
    printf 'rule convert\n  command = "$$HEXCRATE" -q --update --data=source --depfile=dep.d -o "a b.h" in.bin\n  depfile = dep.d\nbuild a$ b.h a$ b.c: convert\n' >build.ninja
    ninja >>tool.err 2>&1 || { echo "ninja failed"; return; }
    touch -d '1 minute ago' in.bin
    quiet() { ninja -n 2>&1 | grep -q '^ninja: no work to do'; echo $?; }
    n="$(quiet) $(touch in.bin; quiet)"
    [ "$m" = "0 1 1" ] && [ "$n" = "0 1" ] && echo read || echo "make $m (want 0 1 1), ninja $n (want 0 1)"
}
result=$(source_kind)
[ "$result" = read ] && passed=$((passed + 1)) || fail "source kind: $result"

cd / && echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
