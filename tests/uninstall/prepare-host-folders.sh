#!/bin/sh
# Host-side fixtures of the uninstall tests, which the tests cannot make from inside Wine:
#   loopmenu/Sub/back -> loopmenu        a folder link that leads back up (a loop)
#   realdesk/ and linkeddesk -> realdesk  a special folder that is itself a link
#   driveroot/ mapped as drive U:        a drive root (no "." entry)
# Usage: prepare-host-folders.sh WINE_RUN PREFIX FOLDER
set -e
wine_run=$1 prefix=$2 folder=$3
[ -d "$prefix/dosdevices" ] || "$wine_run" --prefix "$prefix" cmd.exe /c exit >/dev/null 2>&1 || true
rm -rf "$folder"
mkdir -p "$folder/loopmenu/Sub" "$folder/realdesk" "$folder/driveroot"
ln -s "$folder/loopmenu" "$folder/loopmenu/Sub/back"
ln -s "$folder/realdesk" "$folder/linkeddesk"
ln -sfn "$folder/driveroot" "$prefix/dosdevices/u:"
