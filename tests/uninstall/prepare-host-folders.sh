#!/bin/sh
# Host-side fixtures of the uninstall tests, which the tests cannot make from inside Wine:
#   loopmenu/Sub/back -> loopmenu        a folder link that leads back up (a loop)
#   realdesk/ and linkeddesk -> realdesk  a special folder that is itself a link
#   driveroot/                           a drive root (no "." entry), mapped as drive U: in the
#                                        test's prefix
# Usage: prepare-host-folders.sh FOLDER
set -e
folder=$1
rm -rf "$folder"
mkdir -p "$folder/loopmenu/Sub" "$folder/realdesk" "$folder/driveroot"
ln -s "$folder/loopmenu" "$folder/loopmenu/Sub/back"
ln -s "$folder/realdesk" "$folder/linkeddesk"
