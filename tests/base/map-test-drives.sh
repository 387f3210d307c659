#!/bin/sh
# Maps two drive letters in the test prefix: P: an empty folder, Q: a folder holding only
# the file only.txt. Usage: map-test-drives.sh WINE_RUN PREFIX FOLDER
set -e
wine_run=$1 prefix=$2 folder=$3
[ -d "$prefix/dosdevices" ] || "$wine_run" --prefix "$prefix" cmd.exe /c exit >/dev/null 2>&1 || true
rm -rf "$folder"
mkdir -p "$folder/empty" "$folder/onefile"
echo only > "$folder/onefile/only.txt"
ln -sfn "$folder/empty" "$prefix/dosdevices/p:"
ln -sfn "$folder/onefile" "$prefix/dosdevices/q:"
