#!/bin/sh
# Makes a fresh FAT12 image and runs the Windows drive test with drive D: of
# the test Wine prefix mapped to it: first as a mounted volume (D:\ is a
# folder, so its free-space figures are those of the file system holding that
# folder), then as an unmounted one (no D:\), which the reader sizes by its
# device, the image file.
#
#   run_wine_drive_test.sh WINE64 WINEPREFIX MKFS_FAT TEST_EXE WORK_FOLDER
set -eu

wine64=$1
prefix=$2
mkfs_fat=$3
test_exe=$4
work=$5

map_d="$(dirname "$0")/../support/wine_drive_d.sh"
image=$work/floppy.img
rm -rf "$work"
mkdir -p "$work"
"$mkfs_fat" -C "$image" 1440 > /dev/null

# The test reads the image directly too, through Wine's Z: drive.
windows_image="Z:$(printf '%s' "$image" | tr / '\\')"
export WINEPREFIX="$prefix" WINEDEBUG=-all
sh "$map_d" "$prefix" "$image" "$work/root" -- "$wine64" "$test_exe" "$windows_image"
sh "$map_d" "$prefix" "$image" - -- "$wine64" "$test_exe" "$windows_image" --unmounted
