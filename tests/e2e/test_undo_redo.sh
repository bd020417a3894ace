#!/usr/bin/env bash
# Undo, redo and Escape with real clicks and keys: open a 600 x 300 JPEG, fix a
# reference, keep two measurements, then Ctrl+Z, Ctrl+Y, and a pair begun and given up
# with Escape.
#
# Checked:
# - the window's title names the picture;
# - every change shows at once, with the pointer still (no move over the picture);
# - after Ctrl+Z the second measurement is gone from the screen and from a picture saved
#   then, and after Ctrl+Y it is back in both;
# - Escape takes the rubber band of a pair begun off the screen, and the right click
#   after it keeps nothing.
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
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$picture"
wait_picture_rect 8 86 761 381
title=$(xdotool getwindowname "$MAIN_WIN")
[[ "$title" == "photo.jpg - Vantory" ]] || fail "the window's title is \"$title\", not \"photo.jpg - Vantory\""

annotate_menu 0 # 标注 > 设置基准尺寸
set_reference "${REF[@]}" 30

annotate_menu 1 # 标注 > 测量标注
client_click "${FIRST[0]}" "${FIRST[1]}"
client_click "${FIRST[2]}" "${FIRST[3]}"
client_click 600 420 3
client_click "${SECOND[0]}" "${SECOND[1]}"
client_click "${SECOND[2]}" "${SECOND[3]}"
client_click 600 420 3 # the pointer stays here from now on, over the picture

# What the screen shows, the pointer still.
s() { echo $((CLIENT_X + $1)) $((CLIENT_Y + $2)) $((CLIENT_X + $3)) $((CLIENT_Y + $4)); }
green_on_screen() { # SEGMENT...
  screenshot "$WORK/screen.ppm"
  img line "$WORK/screen.ppm" green $(s "$@") 2 >/dev/null 2>&1
}
no_green_in() { # X Y W H, client pixels
  screenshot "$WORK/screen.ppm"
  (($(img count "$WORK/screen.ppm" green $((CLIENT_X + $1)) $((CLIENT_Y + $2)) "$3" "$4") == 0))
}
second_shown() { green_on_screen "${SECOND[@]}"; }
key() { # KEYS: to the main window, the pointer over its view
  focus_window "$MAIN_WIN"
  xdotool key "$1" || fail "cannot send $1"
}
save_as() { # FILE
  file_menu 1 # 文件 > 保存
  accept_file_dialog '' "$1"
  poll "$E2E_TIMEOUT" test -s "$1" || fail "no file written at $1"
}
saved_has() { # FILE SEGMENT...
  read -r a_x a_y < <(to_picture "$2" "$3")
  read -r b_x b_y < <(to_picture "$4" "$5")
  img line "$1" green "$a_x" "$a_y" "$b_x" "$b_y" 2 >/dev/null 2>&1
}

poll "$E2E_TIMEOUT" second_shown || fail "the second measurement is not shown after its right click"

# --- Ctrl+Z: the second measurement leaves the screen and the saved picture ------------
key ctrl+z
poll "$E2E_TIMEOUT" no_green_in $SECOND_BAND || fail "the second measurement is still on screen after Ctrl+Z"
green_on_screen "${FIRST[@]}" || fail "the first measurement went with the second on Ctrl+Z"
save_as "$WORK/undone.bmp"
saved_has "$WORK/undone.bmp" "${FIRST[@]}" || fail "the picture saved after Ctrl+Z lacks the first measurement"
! saved_has "$WORK/undone.bmp" "${SECOND[@]}" || fail "the picture saved after Ctrl+Z holds the undone measurement"
log "Ctrl+Z: the second measurement is gone from the screen and the saved picture"

# --- Ctrl+Y: back on the screen and in the saved picture -------------------------------
key ctrl+y
poll "$E2E_TIMEOUT" second_shown || fail "the second measurement is not back on screen after Ctrl+Y"
save_as "$WORK/redone.bmp"
saved_has "$WORK/redone.bmp" "${SECOND[@]}" || fail "the picture saved after Ctrl+Y lacks the measurement redone"
log "Ctrl+Y: the second measurement is back"

# --- Escape ------------------------------------------------------------------------------
client_click 150 200
xdotool mousemove $((CLIENT_X + 250)) $((CLIENT_Y + 230))
poll "$E2E_TIMEOUT" green_on_screen 150 200 250 230 || fail "no rubber band from the point begun"
key Escape
poll "$E2E_TIMEOUT" no_green_in 160 195 60 30 || fail "the rubber band is still on screen after Escape"
client_click 250 230 3
save_as "$WORK/escaped.bmp"
read -r e_x e_y < <(to_picture 200 215)
n=$(img count "$WORK/escaped.bmp" green $(awk -v x="$e_x" -v y="$e_y" 'BEGIN { printf "%d %d 9 9", x - 4, y - 4 }'))
((n == 0)) || fail "the pair given up with Escape was kept by the right click after it ($n green pixels)"
log "Escape gives up the pair begun"

app_running || fail "the program ended during the test"
pass
