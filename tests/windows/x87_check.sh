#!/usr/bin/env bash
# The percentage must be computed in double precision: on 32-bit x86 the x87
# unit works in 64-bit precision and makes 29 of 100 into 29 percent, not 28.
# Fails when ProgressPercent in PROGRAM uses x87 arithmetic.
# Usage: x87_check.sh OBJDUMP PROGRAM.exe
objdump=$1 program=$2
code=$("$objdump" -d --no-show-raw-insn "$program" | awk '/<_+ZN4core15ProgressPercentEjj>:/,/^$/')
if [ -z "$code" ]; then
  echo "FAIL: no ProgressPercent in $program"
  exit 1
fi
if grep -qE '\s(fild|fld|fmul|fdiv|fistp|fisttp)[a-z]*\s' <<<"$code"; then
  echo "FAIL: ProgressPercent computes with the x87 unit:"
  grep -E '\s(fild|fld|fmul|fdiv|fistp|fisttp)' <<<"$code"
  exit 1
fi
echo "ProgressPercent computes in SSE2 double precision"
