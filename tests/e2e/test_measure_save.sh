#!/usr/bin/env bash
# The whole road of one measurement with real clicks and keys: open a 600 x 300 JPEG,
# set a reference with two left clicks and the length 30 typed into the input box,
# commit it with a right click, measure one segment, and save the annotated picture.
#
# Checked:
# - the picture is shown fitted to the client area where the 240-twip margin puts it;
# - the input box appears after the second click of the reference;
# - the live view shows the reference in red and the measurement in green where they
#   were clicked;
# - the saved file is a 24-bit Windows bitmap of the picture's own size, with the red
#   reference and the green measurement at the positions mapped from the view, and
#   labels at their midpoints that read "30" and the measurement's scaled length;
# - the program still runs afterwards.
#
# With VANTORY_SCREENSHOT set to a path, a picture of the window with its annotations is
# written there.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init measure_save "${1:-}"

PIC_W=600
PIC_H=300
picture="$WORK/photo.jpg"
saved="$WORK/annotated.bmp"
make_picture "$picture" "$PIC_W" "$PIC_H"

# The fit, in client pixels (15 twips each): the client area is 11655 x 8295 twips, of
# ratio 1.405, so a 2:1 picture is bound by width: 11655 - 240 = 11415 twips
# (761 px) wide, 5707.5 twips (380.5 px) high, at Left 120 (8 px) and
# Top (8295 - 5707.5) / 2 = 1293.75 twips (86.25 px). On screen that covers the pixels
# 8..768 and 86..466.
VIEW_LEFT=8 VIEW_TOP=86.25 VIEW_W=761 VIEW_H=380.5


# The clicks, in client pixels. Both segments rise to the right, so that the label at
# each midpoint (drawn to the lower right of it) stays clear of both lines.
REF=(60 420 380 120)
MEAS=(420 450 740 200)
REF_LENGTH=30

start_app

# --- Open -----------------------------------------------------------------------------
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$picture"
wait_picture_rect 8 86 761 381
log "picture shown at client 8,86 size 761x381"

# --- Reference ------------------------------------------------------------------------
annotate_menu 0 # 标注 > 设置基准尺寸 (测量标注, 撤销, 重做, 清除测量 and 复制测量结果 greyed, but listed)
set_reference "${REF[@]}" 30

# --- Measurement ----------------------------------------------------------------------
annotate_menu 1 # 标注 > 测量标注
client_click "${MEAS[0]}" "${MEAS[1]}"
client_click "${MEAS[2]}" "${MEAS[3]}"
client_click 200 200 3 # commit the measurement
# The view draws at mouse moves: move a little over the picture.
xdotool mousemove $((CLIENT_X + 150)) $((CLIENT_Y + 150))
xdotool mousemove $((CLIENT_X + 155)) $((CLIENT_Y + 152))

# --- Live view ------------------------------------------------------------------------
s() { echo $((CLIENT_X + $1)) $((CLIENT_Y + $2)) $((CLIENT_X + $3)) $((CLIENT_Y + $4)); }
live_view_drawn() {
  screenshot "$WORK/live.ppm"
  img line "$WORK/live.ppm" red $(s "${REF[@]}") 2 >/dev/null 2>&1 &&
    img line "$WORK/live.ppm" green $(s "${MEAS[@]}") 2 >/dev/null 2>&1
}
if ! poll "$E2E_TIMEOUT" live_view_drawn; then
  img line "$WORK/live.ppm" red $(s "${REF[@]}") 2
  img line "$WORK/live.ppm" green $(s "${MEAS[@]}") 2
  fail "the live view does not show the reference in red and the measurement in green"
fi
log "live view shows both segments"
if [[ -n "${VANTORY_SCREENSHOT:-}" ]]; then
  convert "$WORK/live.ppm" -crop "${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}" +repage \
    "$VANTORY_SCREENSHOT" || fail "cannot write the screenshot to $VANTORY_SCREENSHOT"
  log "screenshot written to $VANTORY_SCREENSHOT"
fi

# --- Save -----------------------------------------------------------------------------
file_menu 1 # 文件 > 保存
accept_file_dialog '' "$saved"
poll "$E2E_TIMEOUT" test -s "$saved" || fail "no file written at $saved"

info=$(img bmpinfo "$saved") || fail "the saved file is not a Windows bitmap"
[[ "$info" == "$PIC_W $PIC_H 24" ]] ||
  fail "saved bitmap is \"$info\" (width height bits), expected \"$PIC_W $PIC_H 24\""

read -r ra_x ra_y < <(to_picture "${REF[0]}" "${REF[1]}")
read -r rb_x rb_y < <(to_picture "${REF[2]}" "${REF[3]}")
read -r ma_x ma_y < <(to_picture "${MEAS[0]}" "${MEAS[1]}")
read -r mb_x mb_y < <(to_picture "${MEAS[2]}" "${MEAS[3]}")
out=$(img line "$saved" red "$ra_x" "$ra_y" "$rb_x" "$rb_y" 2 2>&1) ||
  fail "reference not where it was drawn: $out"
out=$(img line "$saved" green "$ma_x" "$ma_y" "$mb_x" "$mb_y" 2 2>&1) ||
  fail "measurement not where it was drawn: $out"
# Nothing in either colour where no segment was drawn: the left and right margins of
# the picture and a band along its top.
for colour in red green; do
  for area in "0 0 30 300" "585 0 15 300" "0 0 600 20"; do
    n=$(img count "$saved" "$colour" $area)
    ((n == 0)) || fail "$n stray $colour pixels in the saved picture at $area (x y w h)"
  done
done

# The labels: top-left corner at each segment's midpoint, in the segment's colour.
label_reads() { # COLOUR X1 Y1 X2 Y2 EXPECTED OTHER...
  local colour=$1 x1=$2 y1=$3 x2=$4 y2=$5
  shift 5
  local mx my i refs=() result
  mx=$(awk -v a="$x1" -v b="$x2" 'BEGIN { printf "%d", (a + b) / 2 }')
  my=$(awk -v a="$y1" -v b="$y2" 'BEGIN { printf "%d", (a + b) / 2 }')
  i=0
  for text in "$@"; do
    render_text "$WORK/text$i.ppm" "$text"
    refs+=("$WORK/text$i.ppm")
    i=$((i + 1))
  done
  result=$(img label "$saved" "$colour" $((mx - 3)) $((my - 3)) 70 22 "$x1" "$y1" "$x2" "$y2" \
    "${refs[@]}") || fail "no $colour label at the midpoint $mx,$my"
  log "$colour label at $mx,$my compared with: $* -> $result"
  local scores=(${result#* })
  [[ ${result%% *} == 0 ]] || fail "the $colour label does not read \"$1\" (scores $result for: $*)"
  awk -v s="${scores[0]}" 'BEGIN { exit !(s >= 0.5) }' ||
    fail "the $colour label looks like no text: best score ${scores[0]} for \"$1\""
}
expected=$(img length "${REF[@]}" "$REF_LENGTH" "${MEAS[@]}")
with_default=$(img length "${REF[@]}" 100 "${MEAS[@]}")
label_reads red "$ra_x" "$ra_y" "$rb_x" "$rb_y" "$REF_LENGTH" 100
label_reads green "$ma_x" "$ma_y" "$mb_x" "$mb_y" "$expected" "$with_default"

app_running || fail "the program ended during the test"
find_main_window || fail "the main window is gone"

pass
