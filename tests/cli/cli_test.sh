#!/usr/bin/env bash
# The converter as scripts use it: messages, exit status, files left behind,
# and headers that compile and give back the original bytes.
# Usage: cli_test.sh CONVERTER CXX
set -u
convert=$1 cxx=$2
here=$(cd "$(dirname "$0")" && pwd)
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

printf 'abc' > abc.txt
check "default names" 0 "Conversion of file abc.txt completed." "" -- "$convert" abc.txt
expect "header named after the input" grep -q "^class CAbcFile" abc.h
check "never overwrites" 1 "" "Please specify an(other) output filename" -- "$convert" abc.txt
check "chosen names" 0 "Conversion of file abc.txt completed." "" -- \
    "$convert" abc.txt --class CMine --output mine.h
expect "chosen class" grep -q "^class CMine" mine.h
check "missing input" 1 "" "Input file not found." -- "$convert" missing.bin
check "directory input" 1 "" "Input file not found." -- "$convert" . --output dir.h
check "empty input path" 1 "" "Please select a file" -- "$convert" ""
check "empty class" 1 "" "Please specify a classname" -- "$convert" abc.txt --class ""
check "empty output" 1 "" "Please specify an(other) output filename" -- "$convert" abc.txt --output ""
check "missing directory" 1 "" "Output file could not be created." -- \
    "$convert" abc.txt --output no/such/dir/x.h
usage=$'hexcrate-convert: no INPUT given\nTry \'hexcrate-convert --help\'.'
check "no input" 2 "" "$usage" -- "$convert"
check "unknown option" 2 "" $'hexcrate-convert: unknown option --fast\nTry \'hexcrate-convert --help\'.' -- \
    "$convert" abc.txt --fast
check "two inputs" 2 "" $'hexcrate-convert: only one INPUT can be converted at a time\nTry \'hexcrate-convert --help\'.' -- \
    "$convert" abc.txt abc.txt
printf 'x' > ./--odd.bin
check "input after --" 0 "Conversion of file --odd.bin completed." "" -- "$convert" -- --odd.bin
rm -f ./--odd.bin ./--odd.h
"$convert" --help | grep -q "^Usage: hexcrate-convert "
expect "help" test $? -eq 0
expect "no stray files" test "$(ls -A | sort | tr '\n' ' ')" = "abc.h abc.txt mine.h stderr stdout "

# A conversion killed half-way leaves nothing behind.
truncate -s 256M sparse.bin
"$convert" sparse.bin --output killed.h >/dev/null 2>&1 &
sleep 0.1
kill -9 $! 2>/dev/null; wait $! 2>/dev/null
expect "killed conversion leaves nothing" test -z "$(ls -A | grep killed)"
rm -f sparse.bin

# Compile generated headers and extract them again, over sizes around a line.
for size in 0 1 15 16 17 4099 100000; do
    head -c "$size" /dev/urandom > "data$size.bin"
    "$convert" "data$size.bin" >/dev/null
    if "$cxx" -std=c++17 -I"$here" -I. -DHEADER="\"data$size.h\"" -DCLASS_NAME="CData${size}File" \
        "$here/extract_main.cpp" -o "extract$size" 2>compile.log &&
        ./"extract$size" "back$size.bin" && cmp -s "data$size.bin" "back$size.bin"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1)); echo "FAIL extract round trip, $size bytes"; cat compile.log
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
