#!/usr/bin/env bash
# The standard dialogs speak Chinese: the program loads Qt's own Simplified Chinese
# translation whatever the locale (this test runs it with LANG=C.UTF-8).
#
# Checked, without reading the widget tree:
# - the Open dialog's window title is the translated "打开", not "Open";
# - the Save dialog's window title is the translated "另存为", not "Save As";
# - the caption of both dialogs' Cancel button looks like "取消" and not like "Cancel",
#   and the About box's OK button like "确定" and not like "OK": the caption's pixels are
#   compared with both texts rendered in the fonts that fontconfig gives Qt, and the
#   Chinese text must match clearly better and well on its own;
# - the About box is captioned "Vantory";
# - Escape cancels the Open dialog without any effect on the view, and the Save dialog.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init chinese_dialogs "${1:-}"

render_text "$WORK/quxiao.ppm" "取消" zh-cn
render_text "$WORK/cancel.ppm" "Cancel"
render_text "$WORK/queding.ppm" "确定" zh-cn
render_text "$WORK/ok.ppm" "OK"

# caption_is WHAT X Y W H ZH EN: the caption in the rectangle looks like ZH, not EN.
_caption_result=""
_caption_matches() {
  screenshot "$WORK/dialog.ppm"
  _caption_result=$(img caption "$WORK/dialog.ppm" "$@" 2>&1) || return 1
  local scores=(${_caption_result#* })
  [[ ${_caption_result%% *} == 0 ]] && awk -v s="${scores[0]}" 'BEGIN { exit !(s >= 0.8) }'
}
caption_is() {
  local what=$1
  shift
  poll "$E2E_TIMEOUT" _caption_matches "$@" ||
    fail "$what does not look Chinese (best match, scores Chinese English: $_caption_result)"
  log "$what looks Chinese (scores Chinese English: ${_caption_result#* })"
}

# file_dialog_check ITEM REGEX ENGLISH: opens 文件 > ITEM, checks the dialog's title and
# its Cancel button, and cancels it with Escape.
file_dialog_check() {
  local item=$1 regex=$2 english=$3 dialog name
  file_menu "$item"
  dialog=$(wait_other_window '') || fail "no dialog appeared for item $item of 文件"
  name=$(xdotool getwindowname "$dialog")
  [[ "$name" =~ $regex ]] || fail "dialog title is \"$name\", expected /$regex/"
  [[ "$name" == "$english"* ]] && fail "dialog title is the English \"$name\""
  log "dialog title \"$name\""
  window_geometry "$dialog" || fail "the dialog vanished"
  # The Cancel button sits in the bottom right corner, below the Open/Save button.
  caption_is "the Cancel button of \"$name\"" $((X + WIDTH - 80)) $((Y + HEIGHT - 35)) 80 35 \
    "$WORK/quxiao.ppm" "$WORK/cancel.ppm"
  focus_window "$dialog"
  xdotool key Escape
  wait_window_gone "$dialog" || fail "Escape did not close \"$name\""
}

start_app

file_dialog_check 0 '^打开$' "Open"
# Once the main window has repainted where the dialog was, its view is blank again.
poll "$E2E_TIMEOUT" view_blank || fail "a cancelled Open left something in the view: $(picture_rect)"

# The About box: captioned with the program's title, its one button "确定".
click_menu_title 2
about=$(wait_other_window '') || fail "关于 shows no box"
name=$(xdotool getwindowname "$about")
[[ "$name" == "Vantory" ]] || fail "the About box is captioned \"$name\", expected \"Vantory\""
window_geometry "$about" || fail "the About box vanished"
# The button row is the lower half of the box; the text line is in the upper half.
caption_is "the OK button of the About box" "$X" $((Y + HEIGHT / 2)) "$WIDTH" $((HEIGHT - HEIGHT / 2)) \
  "$WORK/queding.ppm" "$WORK/ok.ppm"
focus_window "$about"
xdotool key Return
wait_window_gone "$about" || fail "Return did not dismiss the About box"

# Save wants an opened picture (without one the program only says so): open one, then
# look at the Save dialog.
make_picture "$WORK/photo.jpg" 600 300
file_menu 0
accept_file_dialog '' "$WORK/photo.jpg"
wait_picture_rect 8 86 761 381 # 600 x 300 fitted: see test_measure_save.sh
file_dialog_check 1 '^另存为$' "Save"

app_running || fail "the program ended during the test"
pass
