#!/usr/bin/env bash
# Files that are no pictures: "打开" on a text file named x.jpg, and later on a JPEG cut
# in half. Each time the error report (a box captioned "Vantory" with the error icon)
# appears, Return dismisses it, and the program goes on as before:
# - after the text file, with no picture yet, the view stays blank and "标注" greyed;
# - "关于" still opens its box, which Return dismisses;
# - a real picture then opens and is shown;
# - after the cut JPEG (of other proportions) the earlier picture is still shown, in
#   the same place, with the same pixels;
# - the process runs until the end.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init bad_file "${1:-}"

not_picture="$WORK/x.jpg"
printf 'This is a text file, not a picture.\n' >"$not_picture"
good="$WORK/good.jpg"
make_picture "$good" 600 300
# A noisy 300 x 600 JPEG, so that its data runs over many bytes, cut in half.
convert -size 300x600 xc:gray +noise Random -quality 95 "$WORK/whole.jpg" ||
  fail "cannot make the picture to cut"
whole_size=$(stat -c %s "$WORK/whole.jpg")
cut="$WORK/cut.jpg"
head -c $((whole_size / 2)) "$WORK/whole.jpg" >"$cut"

# expect_error_report WHAT: the error report appears, shows the error icon, and Return
# dismisses it; the program still runs.
expect_error_report() {
  local box
  box=$(wait_other_window '^Vantory$') || fail "no error report appeared after opening $1"
  window_geometry "$box" || fail "the error report vanished"
  local bx=$X by=$Y bw=$WIDTH bh=$HEIGHT
  # The error icon is red; wait for the box to be painted.
  _icon_shown() {
    screenshot "$WORK/report.ppm"
    (($(img count "$WORK/report.ppm" red "$bx" "$by" "$bw" "$bh") > 20))
  }
  poll "$E2E_TIMEOUT" _icon_shown || fail "the box after opening $1 shows no error icon"
  focus_window "$box"
  xdotool key Return
  wait_window_gone "$box" || fail "Return did not dismiss the error report for $1"
  app_running || fail "the program ended after the error report for $1"
  find_main_window || fail "the main window is gone after the error report for $1"
  log "error report for $1 shown and dismissed"
}

start_app

# --- A text file, before any picture ---------------------------------------------------
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$not_picture"
expect_error_report "a text file"
poll "$E2E_TIMEOUT" view_blank ||
  fail "something is shown in the view after the failed Open: $(picture_rect)"
ink=$(title_ink 1) || fail "cannot read the menu bar"
((ink > 140)) || fail "\"标注\" became available after a failed Open (darkest pixel $ink)"

# --- About still answers ---------------------------------------------------------------
click_menu_title 2
about=$(wait_other_window '^Vantory$') || fail "关于 shows no box after the error"
focus_window "$about"
xdotool key Return
wait_window_gone "$about" || fail "Return did not dismiss the About box"
app_running || fail "the program ended after the About box"

# --- A real picture opens ----------------------------------------------------------------
file_menu 0
accept_file_dialog '' "$good"
wait_picture_rect 8 86 761 381 # 600 x 300 fitted: see test_measure_save.sh
before=$(picture_rect)
ink=$(title_ink 1) || fail "cannot read the menu bar"
((ink < 100)) || fail "\"标注\" is still greyed after a picture was opened (darkest pixel $ink)"
read -r px py pw ph <<<"$before"
cx=$((px + pw / 2)) cy=$((py + ph / 2))
samples="$cx $cy $((px + 20)) $((py + 20)) $((px + pw - 20)) $((py + ph - 20))"
pixels_before=$(img pixel "$WORK/view.ppm" $samples) || fail "cannot read the shown picture"

# --- A cut JPEG: the earlier picture stays -----------------------------------------------
file_menu 0
accept_file_dialog '' "$cut"
expect_error_report "a truncated JPEG"
# Once the main window has repainted where the report was, the view shows exactly what it
# showed before.
after="" pixels_after=""
_view_as_before() {
  after=$(picture_rect) || return 1
  pixels_after=$(img pixel "$WORK/view.ppm" $samples) || return 1
  [[ "$after" == "$before" && "$pixels_after" == "$pixels_before" ]]
}
poll "$E2E_TIMEOUT" _view_as_before ||
  fail "the view changed after the failed Open: picture at \"$before\" -> \"$after\" (x y w h)," \
    "pixels $pixels_before -> $pixels_after"

app_running || fail "the program ended during the test"
pass
