#!/usr/bin/env bash
# The converter as scripts and build systems use it: options, messages, exit
# status and files left behind. (compile_test.sh builds its headers.)
# Usage: cli_test.sh CONVERTER CXX
set -u
convert=$1 cxx=$2
here=$(cd "$(dirname "$0")" && pwd)
include=$here/../../include
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0 failed=0

check() {  # check NAME EXPECTED-STATUS EXPECTED-STDOUT EXPECTED-STDERR -- COMMAND...
    local name=$1 status=$2 out=$3 err=$4; shift 5
    "$@" >stdout 2>stderr
    local got=$?
    if [ "$got" = "$status" ] && [ "$(cat stdout)" = "$out" ] && [ "$(cat stderr)" = "$err" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $name: status $got (want $status)"
        echo "  stdout: $(cat stdout)"; echo "  stderr: $(cat stderr)"
    fi
}

expect() {  # expect NAME CONDITION...
    local name=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

usage() { printf 'hexcrate-convert: %s\nTry '\''hexcrate-convert --help'\''.' "$1"; }
mtime() { stat -c '%i %y' "$1"; }

# --- Names, refusals and messages -------------------------------------------
printf 'abc' > abc.txt
check "default names" 0 "Conversion of file abc.txt completed." "" -- "$convert" abc.txt
expect "header named after the input" grep -q "^class CAbcFile" abc.h
check "never overwrites" 1 "" "hexcrate-convert: abc.h: Please specify an(other) output filename" -- \
    "$convert" abc.txt
check "long options with =" 0 "Conversion of file abc.txt completed." "" -- \
    "$convert" abc.txt --class=CMine --output=mine.h --name=mine_
expect "chosen class and identifiers" grep -q "^class CMine" mine.h
expect "chosen array name" grep -q "^const unsigned char mine_file\[\]" mine.h
expect "chosen length name" grep -q "^const DWORD mine_length = 3;" mine.h
check "short options, quiet" 0 "" "" -- "$convert" -q -c CShort -o short.h -n s abc.txt
expect "short options took effect" grep -q "const DWORD slength = 3;" short.h
check "missing input" 1 "" \
    "hexcrate-convert: missing.bin: Input file not found. (No such file or directory)" -- \
    "$convert" missing.bin
printf 'a' > first.bin; printf 'b' > second.bin
check "three inputs, the third missing" 1 "" \
    "hexcrate-convert: gone.bin: Input file not found. (No such file or directory)" -- \
    "$convert" -q first.bin second.bin gone.bin
expect "every input checked before any header" test ! -e first.h -a ! -e second.h
printf 'c' > third.bin
check "three inputs" 0 "" "" -- "$convert" -q first.bin second.bin third.bin
expect "one header each, in default names" grep -q "^class CThirdFile" third.h
expect "each with its own bytes" grep -q "^const DWORD secondlength = 1;" second.h
rm -f first.* second.* third.*
ln -s /dev/null dev.rc
check "an update never replaces a .rc that is not a plain file" 1 "" \
    "hexcrate-convert: dev.rc: Please specify an(other) output filename" -- \
    "$convert" -q --data=rc --update abc.txt -o dev.h
rm -f dev.rc
check "directory input" 1 "" \
    "hexcrate-convert: .: Input file not found. (Is a directory)" -- "$convert" . -o dir.h
check "empty input path" 1 "" "hexcrate-convert: Please select a file" -- "$convert" ""
check "empty class" 2 "" "$(usage "--class needs a name")" -- "$convert" abc.txt --class=
check "empty output" 2 "" "$(usage "--output needs a file name")" -- "$convert" abc.txt --output ""
check "missing directory" 1 "" \
    "hexcrate-convert: no/dir/x.h: Output file could not be created. (No such file or directory)" -- \
    "$convert" abc.txt --output no/dir/x.h
check "no input" 2 "" "$(usage "no INPUT given")" -- "$convert"
check "unknown option" 2 "" "$(usage "unknown option --fast")" -- "$convert" abc.txt --fast
check "option without its value" 2 "" "$(usage "-n needs a value")" -- "$convert" abc.txt -n
check "update to stdout" 2 "" "$(usage "--update cannot be used with --output -")" -- \
    "$convert" abc.txt --update -o -
printf 'x' > ./--odd.bin
check "input after --" 0 "Conversion of file --odd.bin completed." "" -- \
    "$convert" -c COdd -n odd -- --odd.bin
rm -f ./--odd.bin ./--odd.h
check "version" 0 $'hexcrate-convert (Hexcrate) 1.0.0.1\nCopyright (C) 2026 Hexcrate\nLicense MIT: <https://opensource.org/licenses/MIT>.' \
    "" -- "$convert" -V
"$convert" --help | grep -q "^Usage: hexcrate-convert \[OPTION\]... \[--\] INPUT"
expect "help" test $? -eq 0

printf 'x' > debian-logo.png
check "names that do not compile are warned about" 0 "" \
    "hexcrate-convert: warning: class name 'CDebian-logoFile' is not a valid C++ identifier; choose one with --class
hexcrate-convert: warning: identifier prefix 'debian-logo' gives 'debian-logofile', not a valid C++ identifier; choose a prefix with --name" \
    -- "$convert" -q debian-logo.png
check "the options that fix them" 0 "" "" -- "$convert" -q debian-logo.png -o fixed.h -c CLogo -n logo_
rm -f debian-logo.*

truncate -s 1M edge.bin && truncate -s 1050000 big.bin
check "no compile-cost hint up to 1 MiB" 0 "" "" -- "$convert" -q edge.bin
"$convert" -q big.bin -o - >/dev/null 2>stderr
expect "compile-cost hint above 1 MiB" grep -q "^hexcrate-convert: warning: big.bin is 1.0 MiB: compiling its header takes about" stderr
rm -f edge.* big.bin

# --- Standard output --------------------------------------------------------
check "header to standard output" 0 "$(cat abc.h)" "" -- "$convert" abc.txt -o -
cmp -s abc.h stdout; expect "standard output carries the exact bytes" test $? -eq 0
check "a full standard output fails the header" 1 "" \
    "hexcrate-convert: standard output: Output file could not be written. (No space left on device)" -- \
    bash -c "'$convert' abc.txt -o - >/dev/full"
check "a success line that cannot be written fails the run" 1 "" \
    "hexcrate-convert: standard output: No space left on device" -- \
    bash -c "'$convert' abc.txt -o full.h >/dev/full"
expect "the header of that run stays" test -s full.h

# Names on a terminal lose their control characters; files keep them.
odd=$'bell\a\e[2J.bin'
printf 'x' > "$odd"
if command -v script >/dev/null; then
    SHELL=/bin/sh script -qec "'$convert' '$odd' -o tty.h" /dev/null >tty.out 2>&1
    expect "terminal sees escapes" grep -q 'Conversion of file bell\\x07\\x1B\[2J.bin completed.' tty.out
fi
"$convert" "$odd" -o notty.h >stdout 2>/dev/null
expect "a pipe gets the real name" grep -q $'bell\a\e\\[2J.bin' stdout
expect "the header names it with visible escapes" grep -qF 'adds bell\x07\x1B[2J.bin to' notty.h
rm -f bell* tty.h tty.out notty.h

# --- Updates and dependency files -------------------------------------------
check "update writes a missing header" 0 "" "" -- "$convert" -q --update abc.txt -o up.h
cmp -s abc.h up.h; expect "same header as a plain run" test $? -eq 0
touch -d '2001-01-01' up.h; before=$(mtime up.h)
check "update of an identical header" 0 "" "" -- "$convert" -q --update abc.txt -o up.h
expect "identical header untouched, time and all" test "$(mtime up.h)" = "$before"
printf 'abcd' > abc.txt
check "update of a different header" 0 "" "" -- "$convert" -q --update abc.txt -o up.h
expect "different header replaced" grep -q "const DWORD abclength = 4;" up.h
mkdir taken.h
check "update never replaces a directory" 1 "" \
    "hexcrate-convert: taken.h: Please specify an(other) output filename" -- \
    "$convert" --update abc.txt -o taken.h
check "depfile" 0 "" "" -- "$convert" -q --update --depfile=up.d abc.txt -o up.h
expect "depfile names output and input" test "$(cat up.d)" = "up.h: abc.txt"
check "depfile that cannot be written" 1 "" \
    "hexcrate-convert: no/dir/up.d: Dependency file could not be written." -- \
    "$convert" -q --depfile no/dir/up.d abc.txt -o fresh.h
expect "a depfile refused before converting leaves no header" test ! -e fresh.h
rm -rf taken.h up.h up.d

# Nothing the user named for another purpose is ever replaced: not the input
# (under any of its names), not the header, not anything but a regular file.
ln abc.txt hardlink.txt && mkfifo fifo.d && ln -s nowhere symlink.d
sum=$(md5sum <abc.txt)
check "update onto its own input" 1 "" \
    "hexcrate-convert: abc.txt: the header of abc.txt would be the same file as the input abc.txt" -- \
    "$convert" --update -o abc.txt abc.txt
check "update onto a hard link of its input" 1 "" \
    "hexcrate-convert: ./hardlink.txt: the header of abc.txt would be the same file as the input abc.txt" -- \
    "$convert" --update -o ./hardlink.txt abc.txt
check "depfile onto the input" 1 "" \
    "hexcrate-convert: hardlink.txt: the dependency file would be the same file as the input abc.txt" -- \
    "$convert" --depfile=hardlink.txt abc.txt -o fresh.h
check "depfile onto the header" 1 "" \
    "hexcrate-convert: ./fresh.h: the dependency file would be the same file as the header of abc.txt" -- \
    "$convert" --depfile=./fresh.h abc.txt -o fresh.h
for special in fifo.d symlink.d .; do
    check "depfile onto $special" 1 "" \
        "hexcrate-convert: $special: Dependency file would replace something that is not a file." -- \
        "$convert" --depfile=$special abc.txt -o fresh.h
done
expect "input, links and fifo unchanged" test "$(md5sum <abc.txt)" = "$sum" -a -p fifo.d -a -L symlink.d
expect "no header from a refused depfile" test ! -e fresh.h
rm -f hardlink.txt fifo.d symlink.d

# A header being replaced is at every moment either the old or the new one.
head -c 8000000 /dev/urandom > large.bin
"$convert" -q large.bin -o large.h 2>/dev/null
old=$(md5sum <large.h | cut -c1-32)
printf 'z' | dd of=large.bin bs=1 seek=7999999 conv=notrunc status=none
"$convert" -q --update large.bin -o large.h 2>/dev/null &
updater=$! torn=0 seen=0
while kill -0 $updater 2>/dev/null; do
    sum=$(md5sum <large.h | cut -c1-32); seen=$((seen + 1))
    [ "$sum" = "$old" ] || [ "$(tail -c 1 large.h)" = "}" ] || torn=1
done
wait $updater
expect "replaced header never seen half-written ($seen looks)" test $torn -eq 0
expect "replaced header is the new one" test "$(md5sum <large.h | cut -c1-32)" != "$old"

# Build systems run converters side by side: a shared hold on the input lets
# the converter read, an exclusive one still keeps it out.
check "input held shared by another reader" 0 "" "" -- \
    flock -s abc.txt "$convert" -q abc.txt -o shared.h
check "input held exclusively" 1 "" \
    "hexcrate-convert: abc.txt: Input file not found. (Resource temporarily unavailable)" -- \
    flock -x abc.txt "$convert" -q abc.txt -o exclusive.h
"$convert" -q large.bin -o one.h 2>/dev/null & first=$!
"$convert" -q large.bin -o two.h 2>/dev/null; second=$?
wait $first
expect "two converters on one input" test "$?$second" = "00"
rm -f large.* shared.h one.h two.h

# --- Leftovers ----------------------------------------------------------------
expect "no stray files" test "$(ls -A | sort | tr '\n' ' ')" = \
    "abc.h abc.txt fixed.h full.h mine.h short.h stderr stdout "

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
