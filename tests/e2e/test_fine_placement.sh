#!/usr/bin/env bash
# Fine placement with real key and pointer events: a measurement's second point placed
# with Shift held lands where the slowed pointer is, p = a + (m - a) / 8 (a: the pointer
# when Shift went down, m: the pointer at the click), not under the pointer. Checked in the
# saved picture: the line ends at p, and the label reads the length from p.
#
# With VANTORY_LOUPE_SCREENSHOT set to a path, a picture of the window with the loupe
# shown is written there.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init fine_placement "${1:-}"

PIC_W=600
PIC_H=300
picture="$WORK/photo.jpg"
saved="$WORK/fine.bmp"
make_picture "$picture" "$PIC_W" "$PIC_H"
# The 2:1 picture is shown at 8, 86.25, 761 x 380.5 client pixels (see test_measure_save.sh).
VIEW_LEFT=8 VIEW_TOP=86.25 VIEW_W=761 VIEW_H=380.5

REF=(60 420 380 120)
REF_LENGTH=30
FIRST=(420 450)
ANCHOR=(600 300)              # the pointer when Shift goes down
POINTER=(696 236)             # the pointer at the click: 96 right, 64 up
FINE=(612 292)                # 600 + 96 / 8, 300 - 64 / 8

start_app
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$picture"
wait_picture_rect 8 86 761 381

annotate_menu 0 # 标注 > 设置基准尺寸
set_reference "${REF[@]}" 30

annotate_menu 1 # 标注 > 测量标注
client_click "${FIRST[0]}" "${FIRST[1]}"
xdotool mousemove $((CLIENT_X + ANCHOR[0])) $((CLIENT_Y + ANCHOR[1]))
sleep 0.3
xdotool keydown shift
sleep 0.3
xdotool mousemove $((CLIENT_X + POINTER[0])) $((CLIENT_Y + POINTER[1]))
sleep 0.3
if [[ -n "${VANTORY_LOUPE_SCREENSHOT:-}" ]]; then
  screenshot "$WORK/loupe.ppm"
  convert "$WORK/loupe.ppm" -crop "${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}" +repage "$VANTORY_LOUPE_SCREENSHOT" ||
    fail "cannot write the screenshot to $VANTORY_LOUPE_SCREENSHOT"
  log "loupe screenshot written to $VANTORY_LOUPE_SCREENSHOT"
fi
xdotool click 1
sleep 0.3
xdotool keyup shift
client_click 200 200 3 # commit the measurement

file_menu 1 # 文件 > 保存
accept_file_dialog '' "$saved"
poll "$E2E_TIMEOUT" test -s "$saved" || fail "no file written at $saved"

read -r fa_x fa_y < <(to_picture "${FIRST[0]}" "${FIRST[1]}")
read -r fp_x fp_y < <(to_picture "${FINE[0]}" "${FINE[1]}")
read -r pm_x pm_y < <(to_picture "${POINTER[0]}" "${POINTER[1]}")
out=$(img line "$saved" green "$fa_x" "$fa_y" "$fp_x" "$fp_y" 1 2>&1) ||
  fail "the measurement does not end at the slowed pointer: $out"
n=$(img count "$saved" green $(awk -v x="$pm_x" -v y="$pm_y" 'BEGIN { printf "%d %d 5 5", x - 2, y - 2 }'))
((n == 0)) || fail "$n green pixels under the pointer itself, where the point was not placed"

# The label at the midpoint reads the length from the slowed pointer, not from the pointer.
from_fine=$(img length "${REF[@]}" "$REF_LENGTH" "${FIRST[@]}" "${FINE[@]}")
from_pointer=$(img length "${REF[@]}" "$REF_LENGTH" "${FIRST[@]}" "${POINTER[@]}")
[[ "$from_fine" != "$from_pointer" ]] || fail "the two candidate lengths are the same: $from_fine"
render_text "$WORK/fine.ppm" "$from_fine"
render_text "$WORK/pointer.ppm" "$from_pointer"
mx=$(awk -v a="$fa_x" -v b="$fp_x" 'BEGIN { printf "%d", (a + b) / 2 }')
my=$(awk -v a="$fa_y" -v b="$fp_y" 'BEGIN { printf "%d", (a + b) / 2 }')
result=$(img label "$saved" green $((mx - 3)) $((my - 3)) 70 22 "$fa_x" "$fa_y" "$fp_x" "$fp_y" \
  "$WORK/fine.ppm" "$WORK/pointer.ppm") || fail "no green label at the midpoint $mx,$my"
log "label compared with $from_fine (slowed pointer) and $from_pointer (pointer): $result"
[[ ${result%% *} == 0 ]] || fail "the label does not read $from_fine (scores $result)"

app_running || fail "the program ended during the test"
pass
