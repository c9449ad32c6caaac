#!/bin/sh
# Checks where vtl writes its log without --log: log_vtl.log under
# Vardelin/vtl/Logs in the application-data folder when tvcore sits beside
# vtl, else in the current directory; a fresh file on every run.
#
#   default_log_place.sh VTL IMAGE WORK
set -u

vtl=$1 image=$2 work=$3
rm -rf "$work"
mkdir -p "$work/data" "$work/cwd"
export XDG_DATA_HOME="$work/data"

if [ -e "$(dirname "$vtl")/libtvcore.so" ]; then
  log="$work/data/Vardelin/vtl/Logs/log_vtl.log"
else
  log="$work/cwd/log_vtl.log"
fi
mkdir -p "$(dirname "$log")"
echo "stale line from an earlier run" > "$log"

cd "$work/cwd" || exit 1
"$vtl" probe "$image" > /dev/null || { echo "FAIL: vtl probe failed"; exit 1; }

failed=0
[ -f "$log" ] || { echo "FAIL: no log at $log"; exit 1; }
grep -Fqx "Disk opened" "$log" || { echo "FAIL: log lacks 'Disk opened'"; failed=1; }
grep -Fqx "Drive FS is FAT12" "$log" || { echo "FAIL: log lacks 'Drive FS is FAT12'"; failed=1; }
grep -Fq "stale line" "$log" && { echo "FAIL: the earlier log was kept"; failed=1; }
[ "$failed" -eq 0 ] || cat "$log"
exit "$failed"
