#!/bin/sh
# The folders of the two extra drives the file tests see (the test entries map them in their
# prefixes): P: an empty folder, Q: a folder holding only the file only.txt.
# Usage: test-drive-folders.sh FOLDER
set -e
folder=$1
rm -rf "$folder"
mkdir -p "$folder/empty" "$folder/onefile"
echo only > "$folder/onefile/only.txt"
