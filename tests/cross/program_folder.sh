#!/usr/bin/env bash
# The program folder a dyno PC gets: `cmake --install` of a Windows build puts frixa.exe, the
# manual, the icon and an empty "Custom Cal" folder into one folder, and the package target
# zips exactly that folder. Usage: program_folder.sh BUILD_DIR. Exit 1 on any difference.
set -uo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "program folder: $*"; fail=1; }

cmake --install "$build" --prefix "$work/Frixa" >/dev/null || { echo "program folder: install failed"; exit 1; }
listing=$(cd "$work/Frixa" && find . -mindepth 1 | LC_ALL=C sort)
expected=$(printf '%s\n' "./Custom Cal" "./Frixa Manual.PDF" "./Frixa.ICO" "./frixa.exe")
[ "$listing" = "$expected" ] || bad "installed $(echo $listing), expected $(echo $expected)"
[ -d "$work/Frixa/Custom Cal" ] || bad "Custom Cal is not a folder"
head -c 4 "$work/Frixa/frixa.exe" | grep -q '^MZ' || bad "frixa.exe is not a Windows program"
head -c 5 "$work/Frixa/Frixa Manual.PDF" | grep -q '^%PDF-' || bad "the manual is not a PDF"
if command -v pdftotext >/dev/null; then
  text=$(pdftotext "$work/Frixa/Frixa Manual.PDF" -)
  grep -q "Apply: giving a loss curve to Torvex2" <<<"$text" || bad "the manual lacks its Apply chapter"
fi
cmp -s "$work/Frixa/Frixa.ICO" "$(dirname "$0")/../../resources/artwork/Frixa.ICO" || bad "Frixa.ICO differs"

# The release zip: the same four entries under one top folder.
(cd "$build" && cpack >/dev/null) || bad "cpack failed"
zip=$(ls "$build"/package/Frixa-*.zip 2>/dev/null | head -1)
if [ -n "$zip" ]; then
  top=$(basename "$zip" .zip)
  entries=$(unzip -Z1 "$zip" | LC_ALL=C sort)
  want=$(printf '%s\n' "$top/Custom Cal/" "$top/Frixa Manual.PDF" "$top/Frixa.ICO" "$top/frixa.exe" | LC_ALL=C sort)
  [ "$entries" = "$want" ] || bad "zip holds $(echo $entries)"
  mkdir "$work/unzipped" && unzip -q "$zip" -d "$work/unzipped"
  cmp -s "$work/unzipped/$top/frixa.exe" "$work/Frixa/frixa.exe" || bad "zipped frixa.exe differs"
else
  bad "no zip was made"
fi
((fail == 0)) && echo "program folder: $(basename "$build"): 4 entries installed and zipped"
exit $fail
