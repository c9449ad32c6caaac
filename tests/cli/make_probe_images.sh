#!/bin/sh
# Makes the volume images that the vtl end-to-end tests read: NTFS by mkntfs,
# FAT12 (a 1.44 MB floppy), FAT16 and FAT32 by mkfs.fat, and a file of random
# bytes that holds no file system.
#
#   make_probe_images.sh MKNTFS MKFS_FAT OUTPUT_FOLDER
set -eu

mkntfs=$1
mkfs_fat=$2
out=$3

rm -rf "$out"
mkdir -p "$out"

# mkntfs works on a sparse file as it would on a partition.
truncate -s 8M "$out/ntfs.img"
"$mkntfs" -F -f -q "$out/ntfs.img" > /dev/null 2>&1

"$mkfs_fat" -C "$out/fat12.img" 1440 > /dev/null
"$mkfs_fat" -F 16 -C "$out/fat16.img" 16384 > /dev/null
# FAT32 needs at least 65525 clusters: 40 MB of 512-byte clusters.
"$mkfs_fat" -F 32 -s 1 -C "$out/fat32.img" 40960 > /dev/null

head -c 1048576 /dev/urandom > "$out/random.img"
