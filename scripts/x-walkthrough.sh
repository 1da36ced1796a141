#!/usr/bin/env bash
# Walks the desktop program as a user would, under a real X server with a
# window manager (Xvfb + openbox), with real mouse clicks and key presses
# (xdotool), and checks what is on the screen: which windows are mapped and
# viewable, which is on top (_NET_CLIENT_LIST_STACKING), which buttons are
# enabled. The program writes a plain picture of its windows to the file in
# PHREATIX_UI_PROBE; the walk reads it to find the buttons and their state.
#
# The walk: open the demo export; couple with a coupling file that leaves a
# tube out; the settings are refused naming that tube, and Annuleren leaves the
# window; couple anew with the whole file; settings OK; Start, with the engine
# window and its runtime list moving, the results window and the
# post-processing window; close
# with the question; packing with its progress; the exit window. Then, in a
# second working directory, Opsplitsen with the assessment window on top.
#
# Screenshots of every step go to PHREATIX_SHOTS_DIR (default
# build/x-walkthrough). Without the X tools the walk is skipped (exit 77),
# unless PHREATIX_REQUIRE_X_TOOLS=1 (as in CI): then it fails.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${PHREATIX_BUILD_DIR:-$root/build}
app=$build/src/ui/phreatix
cli=$build/src/cli/phreatix-cli
shots=${PHREATIX_SHOTS_DIR:-$build/x-walkthrough}

missing=()
for tool in Xvfb openbox xdotool xprop xwininfo xdpyinfo import; do
  command -v "$tool" > /dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "${PHREATIX_REQUIRE_X_TOOLS:-0}" = 1 ]; then
    echo "x-walkthrough: FAIL: missing ${missing[*]} (Debian xvfb openbox xdotool x11-utils imagemagick)" >&2
    exit 1
  fi
  echo "x-walkthrough: skipped: missing ${missing[*]}"
  exit 77
fi
for f in "$app" "$cli"; do
  [ -x "$f" ] || { echo "x-walkthrough: FAIL: $f is not built" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/phreatix-xwalk.XXXXXX")
probe=$work/probe.txt
mkdir -p "$shots"
rm -f "$shots"/*.png
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display.
display=
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "x-walkthrough: FAIL: no free X display" >&2; exit 1; }
export DISPLAY=$display

step=0
shot() {
  step=$((step + 1))
  import -window root "$shots/$(printf '%02d' "$step")-$1.png" 2> /dev/null || true
}

fail() {
  echo "x-walkthrough: FAIL: $*" >&2
  shot failure
  if [ -f "$probe" ]; then
    echo "--- what the program showed:" >&2
    cat "$probe" >&2
  fi
  echo "--- stacking (bottom to top): $(xprop -root _NET_CLIENT_LIST_STACKING 2> /dev/null)" >&2
  for id in $(xprop -root _NET_CLIENT_LIST_STACKING 2> /dev/null | sed 's/.*# //' | tr ',' ' '); do
    echo "    $id $(xwininfo -id "$id" 2> /dev/null | grep -E 'Map State|xwininfo' | tr '\n' ' ')" >&2
  done
  if [ -f "$work/app.log" ]; then
    echo "--- program output:" >&2
    tail -n 20 "$work/app.log" >&2
  fi
  exit 1
}

say() { echo "x-walkthrough: $*"; }

# Waits up to $1 seconds until the command in the rest succeeds.
wait_until() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

# --- reading the probe
probe_lines() { cat "$probe" 2> /dev/null || true; }
window_shown() { probe_lines | awk -F'\t' -v w="$1" '$1 == "window" && $2 == w { f = 1 } END { exit !f }'; }
window_gone() { ! window_shown "$1"; }
window_title() { probe_lines | awk -F'\t' -v w="$1" '$1 == "window" && $2 == w { print $6; exit }'; }
modal_window() { probe_lines | awk -F'\t' '$1 == "window" && $4 == "modal" { print $2; exit }'; }
is_modal() { [ "$(modal_window)" = "$1" ]; }
# button WINDOW NAME -> "enabled x y text"
button() { probe_lines | awk -F'\t' -v w="$1" -v b="$2" '$1 == "button" && $2 == w && $3 == b { print $4 "\t" $5 "\t" $6 "\t" $7 "\t" $8; exit }'; }
button_by_text() { probe_lines | awk -F'\t' -v w="$1" -v t="$2" '$1 == "button" && $2 == w && $7 == t { print $4 "\t" $5 "\t" $6; exit }'; }
label() { probe_lines | awk -F'\t' -v w="$1" -v l="$2" '$1 == "label" && $2 == w && $3 == l { print $4; exit }'; }
# How often a list changed since the program started, its window shown or not.
list_changes() { probe_lines | awk -F'\t' -v w="$1" -v l="$2" '$1 == "changes" && $2 == w && $3 == l { print $4; exit }'; }
enabled() { [ "$(button "$1" "$2" | cut -f1)" = 1 ]; }
disabled() { [ "$(button "$1" "$2" | cut -f1)" = 0 ]; }

tick() { probe_lines | awk -F'\t' '$1 == "tick" { print $2; exit }'; }
# Waits for a picture taken after what was just done.
ticked_past() { local now; now=$(tick); [ -n "$now" ] && [ "$now" -gt "$1" ]; }
settle() {
  local before
  before=$(tick)
  wait_until 30 ticked_past $((${before:-0} + 1)) || fail "the program stopped answering"
}

# --- what X says
# The program's windows are found in X by their titles: Qt may create a
# window's X window anew, so the id it reported need not be the mapped one.
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr ',' '\n' | tr -d ' '; }
x_title() { xprop -id "$1" _NET_WM_NAME 2> /dev/null | sed -n 's/^_NET_WM_NAME([A-Z0-9_]*) = "\(.*\)"$/\1/p'; }
# The engine window's caption names each run, faster than the probe follows.
same_title() {
  [ "$1" = "$2" ] || { [ "${1#ZEFTAL-}" != "$1" ] && [ "${2#ZEFTAL-}" != "$2" ]; }
}
viewable() {
  local title id
  title=$(window_title "$1")
  [ -n "$title" ] || return 1
  for id in $(stacking); do
    if same_title "$(x_title "$id")" "$title" && xwininfo -id "$id" 2> /dev/null | grep -q "Map State: IsViewable"; then
      return 0
    fi
  done
  return 1
}
on_top() {
  local title top
  title=$(window_title "$1")
  top=$(stacking | tail -n 1)
  [ -n "$title" ] && [ -n "$top" ] && same_title "$(x_title "$top")" "$title"
}
shown_on_top() { window_shown "$1" && viewable "$1" && on_top "$1"; }

# --- acting
expect_window() {
  wait_until "${2:-20}" shown_on_top "$1" || fail "window $1 is not shown on top"
}
click() {
  local state
  wait_until 20 enabled "$1" "$2" || fail "button $2 of $1 is not there or not enabled"
  state=$(button "$1" "$2")
  xdotool mousemove "$(echo "$state" | cut -f2)" "$(echo "$state" | cut -f3)" click 1
  [ "${3:-}" = ends ] || settle
}
click_text() {
  local state
  has_text() { [ -n "$(button_by_text "$1" "$2")" ]; }
  wait_until 20 has_text "$1" "$2" || fail "no button \"$2\" in $1"
  state=$(button_by_text "$1" "$2")
  xdotool mousemove "$(echo "$state" | cut -f2)" "$(echo "$state" | cut -f3)" click 1
  [ "${3:-}" = ends ] || settle
}
# Answers the file dialog (it opens in the working directory) with a name.
choose_file() {
  expect_window QFileDialog
  [ "$(window_title QFileDialog)" = Openen ] || fail "the file dialog is titled \"$(window_title QFileDialog)\", not Openen"
  xdotool type --delay 15 "$1"
  xdotool key Return
  settle
  wait_until 20 window_gone QFileDialog || fail "the file dialog did not close after $1"
}
# The text of the message box on top, after it came.
box_text() { label QMessageBox qt_msgbox_label; }
expect_box() {
  wait_until "${1:-20}" shown_on_top QMessageBox || fail "no message box on top"
}
dismiss_box() {
  click_text QMessageBox "${1:-OK}"
  wait_until 20 window_gone QMessageBox || fail "the message box did not close"
}

start_program() {
  rm -f "$probe"
  (cd "$1" && QT_QPA_PLATFORM=xcb PHREATIX_UI_PROBE="$probe" exec "$app" >> "$work/app.log" 2>&1) &
  app_pid=$!
  pids+=("$app_pid")
  expect_window frmMAIN 30
}

# --- the X server and the window manager
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids+=($!)
wait_until 20 xdpyinfo > /dev/null 2>&1 || fail "Xvfb did not start on $display"
openbox --sm-disable > "$work/openbox.log" 2>&1 &
pids+=($!)
wait_until 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  fail "openbox did not start"

# --- the working directory: the demo data set, and a coupling file without
# the last tube
"$cli" demo "$work/demo" --no-pack > "$work/demo.log" 2>&1 || fail "phreatix-cli demo failed"
mkdir "$work/run" "$work/split"
for f in demo_dino.csv koppeling.txt kron.txt meteo_oost.prn meteo_west.prn; do
  cp "$work/demo/$f" "$work/run/"
done
left_out=40HN0007
grep -v "$left_out" "$work/demo/koppeling.txt" > "$work/run/koppeling-kort.txt"
cp "$work/demo/demo_dino.csv" "$work/demo/kron.txt" "$work/split/"

say "open the export"
start_program "$work/run"
enabled frmMAIN btbttnKOPPEL || fail "Koppelen is not enabled at start"
disabled frmMAIN btbttnSTART || fail "Start is enabled before anything is coupled"
shot main-window
click frmMAIN btbttnKOPPEL
choose_file demo_dino.csv
expect_box 60
box_text | grep -q diskruimte || fail "expected the disk-space message, got: $(box_text)"
shot disk-space
dismiss_box
wait_until 30 enabled frmMAIN btbttnMeteo || fail "the meteo coupling is not offered after opening"
case "$(window_title frmMAIN)" in *"$work/run"*) ;; *) fail "the caption does not name the working directory: $(window_title frmMAIN)" ;; esac

couple() {
  click frmMAIN btbttnMeteo
  expect_window frmSELECTIE
  click frmSELECTIE rdbttnAUTOMATISCH
  click frmSELECTIE bttnBUISMETEO
  choose_file "$1"
  expect_window frmKoppeling
  shot "coupling-$1"
  click frmKoppeling bttnOK
  wait_until 20 window_gone frmKoppeling || fail "the coupling overview did not close"
}

say "couple with a coupling file that leaves $left_out out"
couple koppeling-kort.txt
expect_box
box_text | grep -q "Buis $left_out +01: geen meteobestand gekoppeld" ||
  fail "the coupling check does not name $left_out: $(box_text)"
shot coupling-incomplete
dismiss_box
wait_until 20 enabled frmMAIN btbttnDefaults || fail "the settings are not offered after coupling"
disabled frmMAIN btbttnSTART || fail "Start is enabled before the settings are confirmed"

say "settings: refused with the tube named, then Annuleren"
click frmMAIN btbttnDefaults
expect_window frmDefaults
click frmDefaults btbttnOKDEFAULTS
expect_box
box_text | grep -q "$left_out" || fail "the refusal does not name $left_out: $(box_text)"
shot settings-refused
dismiss_box
expect_window frmDefaults
click frmDefaults bttnAnnuleren
wait_until 20 window_gone frmDefaults || fail "Annuleren did not close the settings window"
expect_window frmMAIN
disabled frmMAIN btbttnSTART || fail "Start is enabled after the settings were cancelled"
shot after-annuleren

say "couple anew with the whole coupling file"
click frmMAIN btbttnResetStart
wait_until 20 enabled frmMAIN btbttnKOPPEL || fail "Koppelen is not offered after the reset"
disabled frmMAIN btbttnMeteo || fail "the meteo coupling stays offered after the reset"
click frmMAIN btbttnKOPPEL
choose_file demo_dino.csv
expect_box 60
dismiss_box
wait_until 30 enabled frmMAIN btbttnMeteo || fail "the meteo coupling is not offered after opening anew"
couple koppeling.txt

say "settings OK"
click frmMAIN btbttnDefaults
expect_window frmDefaults
click frmDefaults btbttnOKDEFAULTS
wait_until 20 window_gone frmDefaults || fail "the settings were not accepted: $(box_text)"
wait_until 20 enabled frmMAIN btbttnSTART || fail "Start is not enabled after the settings"
shot ready-to-start

say "start: the engine window with a moving runtime list"
changes_before_start=$(list_changes frmZEFTAL reRUNTIME)
[ -n "$changes_before_start" ] || fail "the probe does not count the changes of the runtime list"
click frmMAIN btbttnSTART
wait_until 60 shown_on_top frmZEFTAL || fail "the engine window is not shown on top during the run"
wait_until 30 enabled frmMAIN btbttnSTOP || fail "Stoppen na deze buis is not offered during the run"
for b in btbttnKOPPEL btbttnMeteo btbttnToonKoppeling btbttnResetStart btbttnDefaults btbttnSTART; do
  disabled frmMAIN "$b" || fail "$b is enabled during the run"
done
# The probe counts every change of the runtime list since the program
# started, so a list that moved and was cleared, or whose window was hidden
# again, between two pictures still counts as moved.
moved() {
  local now
  now=$(list_changes frmZEFTAL reRUNTIME)
  [ -n "$now" ] && [ "$now" -gt "$changes_before_start" ]
}
wait_until 60 moved ||
  fail "the runtime list of the engine window did not change after Start ($changes_before_start changes before, $(list_changes frmZEFTAL reRUNTIME) now)"
shot engine-window
say "the post-processing window"
wait_until 600 shown_on_top frmPost || fail "the post-processing window is not shown on top"
shot post-processing
wait_until 600 disabled frmMAIN btbttnSTOP || fail "the run did not end"
# The post-processing window stays on top until the user closes it; then
# the results of the run come.
expect_window frmPost
click frmPost btbttnSTOPPOST
wait_until 30 window_gone frmPost || fail "the post-processing window did not close"
say "the results window"
expect_window frmResultaten 60
shot results-window
enabled frmResultaten btbttnPNG || fail "the charts of the first tube are not offered for export"
click frmResultaten bttnSluiten
wait_until 20 window_gone frmResultaten || fail "the results window did not close"
enabled frmMAIN btbttnResultaten || fail "Resultaten is not offered after the run"
wait_until 30 window_gone frmZEFTAL || fail "the engine window stays after the run"
expect_window frmMAIN
shot after-run

say "close: the question, the packing, the exit window"
main_title=$(window_title frmMAIN)
main_id=$(for id in $(stacking); do [ "$(x_title "$id")" = "$main_title" ] && echo "$id"; done | tail -n 1)
[ -n "$main_id" ] || fail "the main window is not in the window manager's list"
xdotool windowactivate --sync "$main_id" 2> /dev/null || true
xdotool key alt+F4
expect_box
box_text | grep -q "Resultaten inpakken en Phreatix afsluiten?" || fail "the close asked: $(box_text)"
shot close-question
dismiss_box Annuleren
expect_window frmMAIN
kill -0 "$app_pid" 2> /dev/null || fail "Annuleren ended the program"
xdotool windowactivate --sync "$main_id" 2> /dev/null || true
xdotool key alt+F4
expect_box
click_text QMessageBox "Inpakken en afsluiten"
packing() { label frmMAIN lblBuisLees | grep -q "zip-files: buis [0-9]* van [0-9]*"; }
wait_until 60 packing || fail "no packing progress (tube i of N) shown"
shot packing
expect_box 600
box_text | grep -q "DOS-boxen" || fail "after packing the program said: $(box_text)"
dismiss_box
expect_window frmExit 60
shot exit-window
click frmExit bttnOKSTOP ends
wait_until 30 sh -c "! kill -0 $app_pid 2> /dev/null" || fail "the program did not end after the exit window"
wait "$app_pid" || true
for tube in 28AL0005 32CN0031; do
  [ -f "$work/run/$tube.zip" ] || fail "no $tube.zip after closing"
done
[ -f "$work/run/Phreatix.log" ] || fail "no Phreatix.log after closing"

say "Opsplitsen: the assessment window on top"
start_program "$work/split"
click frmMAIN btbttnPre
expect_window frmOLGAsub
click frmOLGAsub btbttnOpen
choose_file demo_dino.csv
wait_until 30 enabled frmOLGAsub btbttnOK || fail "the splitting window does not offer OK after opening"
shot splitting-opened
edit=$(probe_lines | awk -F'\t' '$1 == "edit" && $2 == "frmOLGAsub" && $3 == "edtY" { print $5 " " $6; exit }')
[ -n "$edit" ] || fail "no disk-space field in the splitting window"
xdotool mousemove $edit click --repeat 3 1
xdotool type --delay 15 120
click frmOLGAsub btbttnOK
checked() { [ "$(button frmOLGAsub chckbxAUTODEL | cut -f5)" = checked ]; }
wait_until 20 checked || fail "the visual assessment is not offered after OK"
click frmOLGAsub btbttnTrash
expect_window frmMeetreeks 30
shot assessment-on-top
judged=0
while window_shown frmMeetreeks; do
  title=$(window_title frmMeetreeks)
  on_top frmMeetreeks || fail "the assessment window of $title is not on top"
  click frmMeetreeks btbttnTRUE
  judged=$((judged + 1))
  [ $judged -lt 50 ] || fail "the assessment does not end"
  wait_until 20 sh -c '! grep -q "^window	frmMeetreeks	.*	'"$title"'$" "'"$probe"'"' ||
    fail "the assessment stays at $title"
done
[ $judged -ge 2 ] || fail "only $judged series were offered for assessment"
expect_window frmOLGAsub
shot after-assessment
say "passed: $step screenshots in $shots"
