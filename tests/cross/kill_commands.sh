#!/usr/bin/env bash
# Kills frixa-cli create, frixa-cli apply and frixa-cli comment (the browser's comment update)
# with SIGKILL at random moments of their work and checks after every kill that the files under
# their final names are whole:
#   create: "Custom Cal/A.Frixa" does not exist (a first Create) or is complete: its Info table
#           has exactly one row, its Losses table the full curve and its RunCounts table every
#           record of the run;
#   apply:  Torvex2.005 is the old complete file (from an Apply of another calibration file) or
#           the new complete one;
#   comment: the calibration file is byte for byte the one before the update or the one after.
# Usage: kill_commands.sh FRIXA_CLI [KILLS_PER_COMMAND]. Prints the counts; exit 1 on damage.
set -uo pipefail
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
kills=${2:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dir="$work/prog"; cal="$dir/Custom Cal"
mkdir -p "$cal"

"$cli" simulate --out "$dir/Torvex2.000" --seed 11 --friction 2,0.01,0.0001 >/dev/null || exit 1
"$cli" create --folder "$dir" --inertia 1.25 --ratio 1 --out B >/dev/null 2>&1 || exit 1
"$cli" simulate --out "$dir/Torvex2.000" --seed 7 --jitter-us 3 >/dev/null || exit 1
"$cli" create --folder "$dir" --inertia 1.25 --ratio 1 --out A >/dev/null 2>&1 || exit 1

losses() { "$cli" export "$1" Losses 2>/dev/null; }
counts() { "$cli" export "$1" RunCounts 2>/dev/null; }
info_rows() { "$cli" export "$1" Info 2>/dev/null | tail -n +2 | wc -l; }
ref_cal_losses=$(losses "$cal/A.Frixa")
[ -n "$ref_cal_losses" ] || { echo "kill: no reference calibration file"; exit 1; }
ref_cal_counts=$(counts "$cal/A.Frixa")
[ "$(printf '%s\n' "$ref_cal_counts" | wc -l)" -gt 100 ] || { echo "kill: no recorded times in the reference"; exit 1; }
"$cli" apply --folder "$dir" "$cal/B.Frixa" >/dev/null || exit 1
cp "$dir/Torvex2.005" "$work/old.005"
ref_old=$(losses "$work/old.005")
"$cli" apply --folder "$dir" "$cal/A.Frixa" >/dev/null || exit 1
ref_new=$(losses "$dir/Torvex2.005")
cp "$dir/Torvex2.005" "$work/new.005"
[ "$ref_old" != "$ref_new" ] || { echo "kill: old and new host files do not differ"; exit 1; }
mv "$cal/A.Frixa" "$work/A.Frixa"

# Runtime of each command in milliseconds (the shortest of 3 runs) spreads the kill moments.
ms() { date +%s%3N; }
shortest() {  # shortest COMMAND...: the shortest of 3 runs of COMMAND, in ms
  local best=999999 t
  for _ in 1 2 3; do
    t=$(ms); "$@" >/dev/null 2>&1; t=$(($(ms) - t))
    ((t < best)) && best=$t
  done
  echo "$best"
}
create_again() { rm -f "$cal/A.Frixa"; "$cli" create --folder "$dir" --inertia 1.25 --ratio 1 --out A; }
create_ms=$(shortest create_again); rm -f "$cal/A.Frixa"
apply_ms=$(shortest "$cli" apply --folder "$dir" "$work/A.Frixa")
cp "$work/A.Frixa" "$work/C-new.Frixa"
"$cli" comment "$work/C-new.Frixa" "Comment written while being killed" >/dev/null || exit 1
cmp -s "$work/A.Frixa" "$work/C-new.Frixa" && { echo "kill: the comment changed nothing"; exit 1; }
comment_again() { cp "$work/A.Frixa" "$cal/C.Frixa"; "$cli" comment "$cal/C.Frixa" "Comment written while being killed"; }
comment_ms=$(shortest comment_again)

damaged=0
# run_kills NAME RUNTIME_MS PREPARE CHECK COMMAND...
run_kills() {
  local name=$1 runtime=$2 prepare=$3 check=$4; shift 4
  local n=0 mid=0 bad=0
  while ((n < kills)); do
    $prepare
    "$@" >/dev/null 2>&1 &
    local pid=$!
    # Uniform over the command's runtime (the start of `sleep` itself takes a little of it).
    local delay=$((RANDOM * 32768 + RANDOM))
    delay=$((delay % (runtime + 1)))
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill -KILL "$pid" 2>/dev/null
    local rc=0
    { wait "$pid"; rc=$?; } 2>/dev/null
    ((rc == 137)) && mid=$((mid + 1))
    n=$((n + 1))
    if ! $check; then bad=$((bad + 1)); fi
  done
  echo "kill: $name: $n kills (command ran ${runtime} ms), $mid mid-command, $bad damaged"
  damaged=$((damaged + bad))
}

prepare_create() { rm -f "$cal/A.Frixa" "$cal/A.Frixa.tmp"; }
check_create() {
  [ -e "$cal/A.Frixa" ] || return 0
  cmp -s "$cal/A.Frixa" "$work/A.Frixa" && return 0  # the same bytes as an earlier whole run
  [ "$(info_rows "$cal/A.Frixa")" = 1 ] && [ "$(losses "$cal/A.Frixa")" = "$ref_cal_losses" ] &&
    [ "$(counts "$cal/A.Frixa")" = "$ref_cal_counts" ] && return 0
  echo "kill: damaged calibration file after a kill of create"; cp "$cal/A.Frixa" "$work/damaged.Frixa"
  return 1
}
prepare_apply() { cp "$work/old.005" "$dir/Torvex2.005"; rm -f "$dir/Torvex2.005.new"; }
check_apply() {
  cmp -s "$dir/Torvex2.005" "$work/old.005" && return 0
  cmp -s "$dir/Torvex2.005" "$work/new.005" && return 0
  local now; now=$(losses "$dir/Torvex2.005")
  [ "$now" = "$ref_old" ] || [ "$now" = "$ref_new" ] && return 0
  echo "kill: damaged Torvex2.005 after a kill of apply"
  return 1
}

prepare_comment() { cp "$work/A.Frixa" "$cal/C.Frixa"; rm -f "$cal/C.Frixa.tmp"; }
check_comment() {
  cmp -s "$cal/C.Frixa" "$work/A.Frixa" && return 0
  cmp -s "$cal/C.Frixa" "$work/C-new.Frixa" && return 0
  echo "kill: damaged calibration file after a kill of comment"; cp "$cal/C.Frixa" "$work/damaged-comment.Frixa"
  return 1
}

run_kills create "$create_ms" prepare_create check_create \
  "$cli" create --folder "$dir" --inertia 1.25 --ratio 1 --out A
run_kills apply "$apply_ms" prepare_apply check_apply "$cli" apply --folder "$dir" "$work/A.Frixa"
run_kills comment "$comment_ms" prepare_comment check_comment \
  "$cli" comment "$cal/C.Frixa" "Comment written while being killed"
((damaged == 0))
