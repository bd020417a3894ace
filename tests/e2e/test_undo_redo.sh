#!/usr/bin/env bash
# Undo, redo, clear and Escape with real clicks and keys: open a 600 x 300 JPEG, fix a
# reference, keep two measurements, then Ctrl+Z, Ctrl+Y, 标注 > 清除测量, Ctrl+Z, and a
# pair begun and given up with Escape.
#
# Checked:
# - the window's title names the picture;
# - every change shows at once, with the pointer still (no move over the picture);
# - after Ctrl+Z the second measurement is gone from the screen and from a picture saved
#   then, and after Ctrl+Y it is back in both;
# - 清除测量 leaves no green on the screen, and Ctrl+Z brings the measurements back;
# - Escape takes the rubber band of a pair begun off the screen, and the right click
#   after it keeps nothing;
# - the status line under the view holds text.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init undo_redo "${1:-}"

PIC_W=600
PIC_H=300
picture="$WORK/photo.jpg"
make_picture "$picture" "$PIC_W" "$PIC_H"
# The fit, as in test_measure_save.sh: client pixels 8..768 and 86..466.
VIEW_LEFT=8 VIEW_TOP=86.25 VIEW_W=761 VIEW_H=380.5

REF=(60 420 380 120)
FIRST=(420 450 740 200)  # rises to the right, clear of the second
SECOND=(100 300 300 300) # level, left of the first; its label lies right of its middle
# A band along the second measurement, short of its label and of the reference's line.
SECOND_BAND="105 297 70 7"

start_app
menu 0 0 3 # 文件 > 打开
accept_file_dialog '' "$picture"
wait_picture_rect 8 86 761 381
title=$(xdotool getwindowname "$MAIN_WIN")
[[ "$title" == "photo.jpg - Vantory" ]] || fail "the window's title is \"$title\", not \"photo.jpg - Vantory\""

menu 1 0 5 # 标注 > 设置基准尺寸
client_click "${REF[0]}" "${REF[1]}"
client_click "${REF[2]}" "${REF[3]}"
box=$(wait_other_window '^输入基准实际长$') || fail "the length box did not appear"
focus_window "$box"
xdotool key ctrl+a
xdotool type --delay 30 30
xdotool key Return
wait_window_gone "$box" || fail "the length box did not close"
client_click 300 300 3

menu 1 1 5 # 标注 > 测量标注
client_click "${FIRST[0]}" "${FIRST[1]}"
client_click "${FIRST[2]}" "${FIRST[3]}"
client_click 600 420 3
client_click "${SECOND[0]}" "${SECOND[1]}"
client_click "${SECOND[2]}" "${SECOND[3]}"
client_click 600 420 3 # the pointer stays here from now on, over the picture

# What the screen shows, the pointer still.
s() { echo $((CLIENT_X + $1)) $((CLIENT_Y + $2)) $((CLIENT_X + $3)) $((CLIENT_Y + $4)); }
band() { echo $((CLIENT_X + $1)) $((CLIENT_Y + $2)) "$3" "$4"; }
green_on_screen() { # SEGMENT...
  screenshot "$WORK/screen.ppm"
  img line "$WORK/screen.ppm" green $(s "$@") 2 >/dev/null 2>&1
}
second_shown() { green_on_screen "${SECOND[@]}"; }
second_gone() {
  screenshot "$WORK/screen.ppm"
  (($(img count "$WORK/screen.ppm" green $(band $SECOND_BAND)) == 0))
}
no_green_on_screen() {
  screenshot "$WORK/screen.ppm"
  (($(img count "$WORK/screen.ppm" green "$CLIENT_X" "$CLIENT_Y" "$CLIENT_W" "$CLIENT_H") == 0))
}
key() { # KEYS: to the main window, the pointer over its view
  focus_window "$MAIN_WIN"
  xdotool key "$1" || fail "cannot send $1"
}
save_as() { # FILE
  menu 0 1 3 # 文件 > 保存
  accept_file_dialog '' "$1"
  poll "$E2E_TIMEOUT" test -s "$1" || fail "no file written at $1"
}
saved_has_second() { # FILE
  read -r a_x a_y < <(to_picture "${SECOND[0]}" "${SECOND[1]}")
  read -r b_x b_y < <(to_picture "${SECOND[2]}" "${SECOND[3]}")
  img line "$1" green "$a_x" "$a_y" "$b_x" "$b_y" 2 >/dev/null 2>&1
}
saved_has_first() { # FILE
  read -r a_x a_y < <(to_picture "${FIRST[0]}" "${FIRST[1]}")
  read -r b_x b_y < <(to_picture "${FIRST[2]}" "${FIRST[3]}")
  img line "$1" green "$a_x" "$a_y" "$b_x" "$b_y" 2 >/dev/null 2>&1
}

poll "$E2E_TIMEOUT" second_shown || fail "the second measurement is not shown after its right click"

# --- Ctrl+Z: the second measurement leaves the screen and the saved picture ------------
key ctrl+z
poll "$E2E_TIMEOUT" second_gone || fail "the second measurement is still on screen after Ctrl+Z"
green_on_screen "${FIRST[@]}" || fail "the first measurement went with the second on Ctrl+Z"
save_as "$WORK/undone.bmp"
saved_has_first "$WORK/undone.bmp" || fail "the picture saved after Ctrl+Z lacks the first measurement"
! saved_has_second "$WORK/undone.bmp" || fail "the picture saved after Ctrl+Z holds the undone measurement"
log "Ctrl+Z: the second measurement is gone from the screen and the saved picture"

# --- Ctrl+Y: back on the screen and in the saved picture -------------------------------
key ctrl+y
poll "$E2E_TIMEOUT" second_shown || fail "the second measurement is not back on screen after Ctrl+Y"
save_as "$WORK/redone.bmp"
saved_has_second "$WORK/redone.bmp" || fail "the picture saved after Ctrl+Y lacks the measurement redone"
log "Ctrl+Y: the second measurement is back"

# --- 清除测量, then Ctrl+Z ---------------------------------------------------------------
menu 1 4 5 # 标注 > 清除测量
poll "$E2E_TIMEOUT" no_green_on_screen || fail "green is left on screen after 清除测量"
screenshot "$WORK/screen.ppm"
img line "$WORK/screen.ppm" red $(s "${REF[@]}") 2 >/dev/null || fail "清除测量 took the reference too"
xdotool mousemove $((CLIENT_X + 600)) $((CLIENT_Y + 420))
key ctrl+z
poll "$E2E_TIMEOUT" second_shown || fail "Ctrl+Z after 清除测量 did not bring the measurements back"
green_on_screen "${FIRST[@]}" || fail "Ctrl+Z after 清除测量 did not bring the first measurement back"
log "清除测量 and Ctrl+Z"

# --- Escape ------------------------------------------------------------------------------
client_click 150 200
xdotool mousemove $((CLIENT_X + 250)) $((CLIENT_Y + 230))
rubber_band() { green_on_screen 150 200 250 230; }
poll "$E2E_TIMEOUT" rubber_band || fail "no rubber band from the point begun"
key Escape
rubber_band_gone() {
  screenshot "$WORK/screen.ppm"
  (($(img count "$WORK/screen.ppm" green $(band 160 195 60 30)) == 0))
}
poll "$E2E_TIMEOUT" rubber_band_gone || fail "the rubber band is still on screen after Escape"
client_click 250 230 3
save_as "$WORK/escaped.bmp"
read -r e_x e_y < <(to_picture 200 215)
n=$(img count "$WORK/escaped.bmp" green $(awk -v x="$e_x" -v y="$e_y" 'BEGIN { printf "%d %d 9 9", x - 4, y - 4 }'))
((n == 0)) || fail "the pair given up with Escape was kept by the right click after it ($n green pixels)"
log "Escape gives up the pair begun"

# --- the status line ---------------------------------------------------------------------
screenshot "$WORK/screen.ppm"
img rect "$WORK/screen.ppm" "$WIN_X" $((CLIENT_Y + CLIENT_H + 2)) 300 $((STATUS_H - 4)) >/dev/null 2>&1 ||
  fail "the status line under the view is empty"

app_running || fail "the program ended during the test"
pass
