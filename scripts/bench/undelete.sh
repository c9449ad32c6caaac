#!/usr/bin/env bash
# Benchmark of the undelete workflow (not a test): prints in one run the scan
# and recovery times of vtl beside sleuthkit (fls -r -d -p, tsk_recover) and,
# on NTFS, ntfs-3g's ntfsundelete, on the same volumes, with throughput.
#   NTFS: the 100,000-file volume of ntfs_scan.sh (made there when missing;
#         that needs root for the ntfs-3g mount).
#   FAT32: a 400 MiB volume made with mkfs.fat and mtools: 2,000 small files
#          and one of 120 MiB, half of the small ones and the big one deleted.
#   scripts/bench/undelete.sh [VTL] [WORKDIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
VTL=$(realpath "${1:-build/linux/src/app/cli/vtl}")
WORK=${2:-build/bench}
mkdir -p "$WORK"
WORK=$(realpath "$WORK")

NTFS=$WORK/ntfs_100000.img
[ -f "$NTFS" ] || scripts/bench/ntfs_scan.sh "$VTL" "$WORK" >/dev/null

FAT=$WORK/fat32_bench.img
if [ ! -f "$FAT" ]; then
  echo "making $FAT..."
  rm -f "$FAT.part"
  truncate -s 400M "$FAT.part"
  mkfs.fat -F 32 -n BENCH "$FAT.part" >/dev/null
  src=$(mktemp -d)
  mkdir -p "$src/docs"
  for i in $(seq 1 2000); do head -c $(( (i % 37 + 1) * 1000 )) /dev/urandom > "$src/docs/f$i.bin"; done
  head -c 120M /dev/urandom > "$src/big.bin"
  mcopy -i "$FAT.part" -s "$src/docs" "$src/big.bin" ::/
  for i in $(seq 1 2 2000); do echo "::/docs/f$i.bin"; done | xargs mdel -i "$FAT.part"
  mdel -i "$FAT.part" ::/big.bin
  rm -rf "$src"
  mv "$FAT.part" "$FAT"
fi

# Wall time in seconds of one command, its output dropped.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }' 
}
bytes_in() { du -sb "$1" 2>/dev/null | cut -f1; }
files_in() { find "$1" -type f | wc -l; }
rate() { awk -v n="$1" -v t="$2" 'BEGIN { if (t > 0) printf "%.1f", n / t; else print "-" }'; }

printf "%-8s %-28s %9s %14s %12s\n" volume tool seconds records/s MB/s
for image in "$NTFS" "$FAT"; do
  name=$(basename "$image" .img)
  records=$("$VTL" scan "$image" --all -q --log /dev/null | wc -l)
  size_mb=$(( $(stat -L -c %s "$image") / 1048576 ))

  t=$(seconds "$VTL" scan "$image" -q --log /dev/null)
  printf "%-8s %-28s %9.2f %14s %12s\n" "${name%%_*}" "vtl scan" "$t" "$(rate "$records" "$t")" "$(rate "$size_mb" "$t")"
  t=$(seconds fls -r -d -p "$image")
  printf "%-8s %-28s %9.2f %14s %12s\n" "${name%%_*}" "fls -r -d -p" "$t" "$(rate "$records" "$t")" "$(rate "$size_mb" "$t")"
  if [ "$image" = "$NTFS" ]; then
    t=$(seconds ntfsundelete "$image" --scan)
    printf "%-8s %-28s %9.2f %14s %12s\n" ntfs "ntfsundelete --scan" "$t" "$(rate "$records" "$t")" "$(rate "$size_mb" "$t")"
  fi

  out=$WORK/out_vtl_$name; rm -rf "$out"
  t=$(seconds "$VTL" recover "$image" --all --to "$out" -q --log /dev/null)
  printf "%-8s %-28s %9.2f %14s %12s\n" "${name%%_*}" "vtl recover --all" "$t" "$(rate "$(files_in "$out")" "$t")" "$(rate "$(( $(bytes_in "$out") / 1048576 ))" "$t")"
  out=$WORK/out_tsk_$name; rm -rf "$out"; mkdir -p "$out"
  t=$(seconds tsk_recover "$image" "$out")
  printf "%-8s %-28s %9.2f %14s %12s\n" "${name%%_*}" "tsk_recover" "$t" "$(rate "$(files_in "$out")" "$t")" "$(rate "$(( $(bytes_in "$out") / 1048576 ))" "$t")"
  if [ "$image" = "$NTFS" ]; then
    out=$WORK/out_ntfsundelete; rm -rf "$out"; mkdir -p "$out"
    t=$(seconds ntfsundelete "$image" --undelete --match '*' --percentage 0 --force --destination "$out")
    printf "%-8s %-28s %9.2f %14s %12s\n" ntfs "ntfsundelete --undelete" "$t" "$(rate "$(files_in "$out")" "$t")" "$(rate "$(( $(bytes_in "$out") / 1048576 ))" "$t")"
  fi
done
echo "records/s: entries that vtl scan --all lists (scans), files written (recoveries);"
echo "MB/s: volume size (scans), bytes written (recoveries)"
