#!/bin/sh
# vtl probe opens an image whose path is not valid UTF-8: a POSIX path is
# bytes, and they must reach the system unchanged.
#
#   probe_byte_path.sh CHECK_PROBE VTL IMAGE WORK
set -u
check=$1 vtl=$2 image=$3 work=$4
folder="$work.volume"
rm -rf "$folder"
mkdir -p "$folder" || exit 1
# A lone 0xFF byte and a two-byte sequence cut short.
volume="$folder/$(printf 'vol\377\303x.img')"
cp "$image" "$volume" || exit 1
exec sh "$check" "$work" 0 FAT12 "" "Drive FS is FAT12" -- "$vtl" probe "$volume" --log probe.log
