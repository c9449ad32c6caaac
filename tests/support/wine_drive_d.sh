#!/bin/sh
# Runs a command while drive D: of a Wine prefix is mapped to a volume image.
#
#   wine_drive_d.sh WINEPREFIX IMAGE ROOT_FOLDER -- COMMAND...
#
# Wine opens \\.\D: as the file that dosdevices/d:: names; D:\ itself is the
# folder that dosdevices/d: names. ROOT_FOLDER "-" leaves D:\ unmapped, so that
# the volume counts as unmounted. Tests that map D: share one prefix: give
# them RESOURCE_LOCK wine_drive_d. The command's exit status is returned.
set -u

prefix=$1 image=$2 root=$3
shift 3
[ "${1:-}" = "--" ] && shift

devices=$prefix/dosdevices
cleanup() { rm -f "$devices/d::" "$devices/d:"; }
trap cleanup EXIT
cleanup
ln -s "$image" "$devices/d::"
if [ "$root" != "-" ]; then
  mkdir -p "$root"
  ln -s "$root" "$devices/d:"
fi
"$@"
