#!/usr/bin/env bash
# The Windows frixa-cli.exe, run under wine64, must print exactly what the native frixa-cli
# prints for the same program folder: the preview log (stdout) and its messages (stderr),
# byte for byte once Wine's CR LF line ends are folded.
# Usage: cli_same_under_wine.sh NATIVE_CLI WINDOWS_CLI
set -uo pipefail
native=$1
windows=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine_run="$here/../../scripts/wine-run"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

check() {  # name, then the arguments of one frixa-cli call
  local name=$1
  shift
  "$native" "$@" >"$work/n.out" 2>"$work/n.err"
  local nrc=$?
  "$wine_run" "$windows" "$@" >"$work/w.out" 2>"$work/w.err"
  local wrc=$?
  sed -i 's/\r$//' "$work/w.out" "$work/w.err"
  if [[ $nrc != "$wrc" ]] || ! cmp -s "$work/n.out" "$work/w.out" || ! cmp -s "$work/n.err" "$work/w.err"; then
    echo "FAIL $name: native exit $nrc, Windows exit $wrc"
    diff "$work/n.out" "$work/w.out" | head -20
    diff "$work/n.err" "$work/w.err" | head -20
    fail=1
  else
    echo "ok   $name ($(wc -l <"$work/n.out") lines, exit $nrc)"
  fi
}

mkdir -p "$work/d1" "$work/d2" "$work/d3"
"$native" simulate --out "$work/d1/Torvex2.000" --seed 7 --jitter-us 3 >/dev/null
"$native" simulate --out "$work/d2/Torvex2.000" --seed 3 --corrupt-at 500 >/dev/null
"$native" simulate --out "$work/d3/Torvex2.000" --zero-first >/dev/null
check "preview of a jittered rundown" preview --folder "$work/d1" --inertia 1.25 --ratio 1
check "preview with ratio 2.5" preview --folder "$work/d1" --inertia 0.75 --ratio 2.5
check "preview of a corrupt run" preview --folder "$work/d2" --inertia 1.25 --ratio 1
check "preview of a zero first record" preview --folder "$work/d3" --inertia 1.25 --ratio 1
check "preview without parameters" preview --folder "$work/d1" --inertia 0 --ratio 0
# The simulator itself must write the same bytes on both platforms.
"$wine_run" "$windows" simulate --out "$work/w.000" --seed 7 --jitter-us 3 >/dev/null
if cmp -s "$work/d1/Torvex2.000" "$work/w.000"; then echo "ok   simulated run files identical"; else echo "FAIL simulated run files differ"; fail=1; fi
exit $fail
