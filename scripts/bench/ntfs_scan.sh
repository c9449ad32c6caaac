#!/usr/bin/env bash
# Benchmark of the NTFS scan (not a test): makes an NTFS volume of at least
# 100,000 files, a tenth of them deleted, and prints in one run the time and
# peak memory of
#   vtl scan with the log at its default place,
#   vtl scan --log /dev/null,
#   sleuthkit's fls -r -d -p (the reference),
#   icat IMAGE 0 (reading the whole $MFT once: the floor for any scan).
# Needs root (ntfs-3g mount) the first time; the image is kept for reruns.
#   scripts/bench/ntfs_scan.sh [VTL] [WORKDIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
VTL=${1:-build/linux/src/app/cli/vtl}
WORK=${2:-build/bench}
FILES=100000
IMAGE=$WORK/ntfs_${FILES}.img
mkdir -p "$WORK"
VTL=$(realpath "$VTL")

if [ ! -f "$IMAGE" ]; then
  echo "making $IMAGE ($FILES files, a tenth deleted)..."
  rm -f "$IMAGE.part"
  truncate -s 400M "$IMAGE.part"
  mkntfs -F -q -Q -c 4096 -L bench "$IMAGE.part" >/dev/null 2>&1
  MNT=$(mktemp -d)
  ntfs-3g "$IMAGE.part" "$MNT"
  python3 - "$MNT" "$FILES" <<'PY'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
per_folder = 1000
for i in range(files):
    folder = os.path.join(root, "dir%03d" % (i // per_folder), "sub%d" % (i % 4))
    if i % per_folder < 4:
        os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file_%06d.txt" % i), "wb") as f:
        f.write(b"%d\n" % i * (1 + i % 50))
for i in range(0, files, 10):
    os.remove(os.path.join(root, "dir%03d" % (i // per_folder), "sub%d" % (i % 4), "file_%06d.txt" % i))
PY
  umount "$MNT"
  rmdir "$MNT"
  mv "$IMAGE.part" "$IMAGE"
fi

IMAGE=$(realpath "$IMAGE")
RECORDS=$(( $(istat "$IMAGE" 0 | sed -n 's/.*\$DATA.*size: \([0-9]*\).*/\1/p' | head -1) / 1024 ))

# time (s) and peak resident memory (KiB) of one command, its output dropped.
measure() {
  local out
  out=$(mktemp)
  /usr/bin/time -o "$out" -f "%e %M" "$@" >/dev/null 2>/dev/null || true
  tail -1 "$out"
  rm -f "$out"
}

cd "$WORK"
rm -f log_vtl.log
read -r t_log m_log < <(measure "$VTL" scan "$IMAGE" -q)
read -r t_null m_null < <(measure "$VTL" scan "$IMAGE" -q --log /dev/null)
read -r t_fls m_fls < <(measure fls -r -d -p "$IMAGE")
read -r t_icat m_icat < <(measure icat "$IMAGE" 0)
DELETED=$("$VTL" scan "$IMAGE" -q --log /dev/null | grep -c '\.txt$' || true)

printf '%-34s %9s %12s\n' "command" "time (s)" "peak (KiB)"
printf '%-34s %9s %12s\n' "vtl scan (log at default place)" "$t_log" "$m_log"
printf '%-34s %9s %12s\n' "vtl scan --log /dev/null" "$t_null" "$m_null"
printf '%-34s %9s %12s\n' "fls -r -d -p" "$t_fls" "$m_fls"
printf '%-34s %9s %12s\n' "icat IMAGE 0 (whole \$MFT)" "$t_icat" "$m_icat"
echo "MFT records: $RECORDS; deleted files listed by vtl scan: $DELETED"
python3 - "$t_log" "$t_null" "$t_fls" "$t_icat" "$m_null" "$m_icat" "$RECORDS" <<'PY'
import sys
t_log, t_null, t_fls, t_icat, m_null, m_icat, records = map(float, sys.argv[1:])
print("vtl (log /dev/null) / fls: %.2f   (aim: below 1)" % (t_null / t_fls))
print("vtl (log on) / fls:        %.2f   (aim: below 3)" % (t_log / t_fls))
print("vtl (log /dev/null) / icat: %.2f" % (t_null / t_icat))
print("peak memory per MFT record: %.0f bytes (aim: below 300)" % (m_null * 1024 / records))
PY
