#!/bin/sh
# The help file and the licence as the build puts them beside the program:
#   check_docs.sh PROGRAM_FOLDER HELP_SOURCES LICENSE
# - Velmora.chm holds every page of the help sources, its contents file and its style sheet
#   (read from the file's directory with chmls), and every link of a page names a page there;
# - LICENSE.RTF is rich text that carries the licence's heading and copyright line.
set -u
program=$1 sources=$2 licence=$3
chm=$program/Velmora.chm rtf=$program/LICENSE.RTF
failed=0
fail() { echo "FAILED: $*"; failed=1; }

[ -f "$chm" ] || { echo "FAILED: no $chm"; exit 1; }
listing=$(chmls -n list "$chm") || fail "chmls cannot read $chm"
for page in "$sources"/*.htm "$sources"/*.hhc "$sources"/*.css; do
  name=$(basename "$page")
  echo "$listing" | grep -qxF "/$name" || fail "$name is not in Velmora.chm"
done
# The project's default page and its contents file.
grep -q '^Default topic=index.htm' "$sources/Velmora.hhp" || fail "the project has no default page"
# Links between the pages: each names a page of the help (an anchor after # allowed).
for page in "$sources"/*.htm "$sources/Velmora.hhc"; do
  for target in $(grep -oiE '(href|value)="[^"#:]+\.(htm|css)' "$page" | sed -E 's/^[^"]*"//'); do
    [ -f "$sources/$target" ] || fail "$(basename "$page") links to missing $target"
    echo "$listing" | grep -qxF "/$target" || fail "$(basename "$page") links to $target, not in Velmora.chm"
  done
done
# A page read back from the compiled file is the page itself.
tmp=$(mktemp -d)
chmls extract "$chm" /index.htm "$tmp/index.htm" >/dev/null 2>&1
cmp -s "$tmp/index.htm" "$sources/index.htm" || fail "index.htm read back from Velmora.chm differs"
rm -rf "$tmp"

[ -f "$rtf" ] || { echo "FAILED: no $rtf"; exit 1; }
head -c 6 "$rtf" | grep -qF '{\rtf1' || fail "LICENSE.RTF is not rich text"
for line in "MIT License" "$(grep -m1 '^Copyright' "$licence")" "WITHOUT WARRANTY OF ANY KIND"; do
  grep -qF "$line" "$rtf" || fail "LICENSE.RTF lacks \"$line\""
done
# Braces balance: a reader takes the whole text.
opens=$(tr -cd '{' < "$rtf" | wc -c) closes=$(tr -cd '}' < "$rtf" | wc -c)
[ "$opens" -eq "$closes" ] || fail "LICENSE.RTF has $opens { and $closes }"
[ $failed -eq 0 ] && echo "Velmora.chm and LICENSE.RTF are complete"
exit $failed
