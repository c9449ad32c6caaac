#!/bin/sh
# Runs one vtl command in a fresh work folder and checks what it did.
#
#   check_probe.sh WORK STATUS STDOUT STDERR [LOG_LINE...] -- COMMAND...
#
# STATUS is the exit status wanted and STDOUT the exact standard output
# (empty: none). STDERR empty means nothing may be written there; otherwise
# standard error must be one line that contains it. Each LOG_LINE must be a
# whole line of probe.log in the work folder (give the command --log probe.log).
set -u

work=$1 status=$2 stdout=$3 stderr=$4
shift 4
lines_file=$(mktemp)
trap 'rm -f "$lines_file"' EXIT
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  printf '%s\n' "$1" >> "$lines_file"
  shift
done
[ $# -gt 0 ] && shift  # the --

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

"$@" > out.txt 2> err.txt
actual=$?
failed=0
fail() { echo "FAIL: $*"; failed=1; }

[ "$actual" -eq "$status" ] || fail "exit status $actual, wanted $status"
# Output written by a Windows program ends its lines in CR LF.
got_out=$(tr -d '\r' < out.txt)
[ "$got_out" = "$stdout" ] || fail "standard output '$got_out', wanted '$stdout'"
got_err=$(tr -d '\r' < err.txt)
if [ -z "$stderr" ]; then
  [ -z "$got_err" ] || fail "unexpected standard error '$got_err'"
else
  case $got_err in
    *"$stderr"*) ;;
    *) fail "standard error '$got_err' lacks '$stderr'" ;;
  esac
  [ "$(printf '%s\n' "$got_err" | wc -l)" -eq 1 ] || fail "standard error is not one line"
fi
while IFS= read -r line; do
  tr -d '\r' < probe.log 2>/dev/null | grep -Fqx -- "$line" || fail "log lacks the line '$line'"
done < "$lines_file"

if [ "$failed" -ne 0 ]; then
  echo "--- command: $*"
  echo "--- log:"; cat probe.log 2>/dev/null
fi
exit "$failed"
