#!/usr/bin/env bash
# Ends that snap, with real key and pointer events: a disc's width measured with Ctrl held
# (xdotool keydown ctrl) while clicking 2 pixels of the view outside either edge. In the
# saved picture the green line runs from edge to edge and nowhere past them, where plain
# clicks would have drawn it some 8 of the picture's pixels further out on each side. The
# second end is placed with Shift held too, through the loupe.
#
# With VANTORY_SNAP_SCREENSHOT set to a path, a picture of the window with the loupe shown
# over the second end, Ctrl and Shift held, is written there.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init edge_snap "${1:-}"

PIC_W=3000
PIC_H=2000
picture="$WORK/disc.png"
saved="$WORK/disc.bmp"
# A dark disc of radius 600 centred on (1500.5, 1000.5) (ImageMagick puts pixel centres on
# whole numbers): its edges along the row through its centre at x = 900.5 and 2100.5.
convert -size "${PIC_W}x$PIC_H" xc:'#d2d2d2' -fill '#282828' -draw 'circle 1500,1000 2100,1000' \
  -blur 0x1 "$picture" || fail "cannot make the test picture"
LEFT_EDGE=900.5 RIGHT_EDGE=2100.5 ROW=1000.5
# The 3:2 picture is shown at 8, 22.83, 761 x 507.33 client pixels: 3.94 of its pixels to one.
VIEW_LEFT=8 VIEW_TOP=22.833 VIEW_W=761 VIEW_H=507.333

# to_client X Y: a point of the picture as the nearest client pixel.
to_client() {
  awk -v x="$1" -v y="$2" -v l="$VIEW_LEFT" -v t="$VIEW_TOP" -v w="$VIEW_W" -v h="$VIEW_H" \
    -v pw="$PIC_W" -v ph="$PIC_H" 'BEGIN { printf "%d %d\n", l + x * w / pw + 0.5, t + y * h / ph + 0.5 }'
}
read -r left_x row_y < <(to_client "$LEFT_EDGE" "$ROW")
read -r right_x _ < <(to_client "$RIGHT_EDGE" "$ROW")
A=($((left_x - 2)) "$row_y")   # 2 pixels of the view outside each edge
B=($((right_x + 2)) "$row_y")

start_app
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$picture"
wait_picture_rect 8 23 761 507

annotate_menu 0 # 标注 > 设置基准尺寸
set_reference 100 460 300 460 10

annotate_menu 1 # 标注 > 测量标注
xdotool keydown ctrl
client_click "${A[0]}" "${A[1]}"
xdotool mousemove --sync $((CLIENT_X + B[0])) $((CLIENT_Y + B[1]))
sleep 0.3
xdotool keydown shift # the point stays where the pointer is; the loupe shows it
sleep 0.5
if [[ -n "${VANTORY_SNAP_SCREENSHOT:-}" ]]; then
  screenshot "$WORK/snap.ppm"
  convert "$WORK/snap.ppm" -crop "${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}" +repage "$VANTORY_SNAP_SCREENSHOT" ||
    fail "cannot write the screenshot to $VANTORY_SNAP_SCREENSHOT"
  log "screenshot written to $VANTORY_SNAP_SCREENSHOT"
fi
xdotool click 1
sleep 0.3
xdotool keyup shift
xdotool keyup ctrl
client_click 200 200 3 # keep the measurement

file_menu 1 # 文件 > 保存
accept_file_dialog '' "$saved"
poll "$E2E_TIMEOUT" test -s "$saved" || fail "no file written at $saved"

# green FROM TO: the green pixels of the saved picture in columns FROM to TO (picture
# pixels), within 3 rows of the measured row.
read -r _ row_pic < <(to_picture "${A[0]}" "${A[1]}")
top=$(awk -v y="$row_pic" 'BEGIN { printf "%d", y - 3 }')
green() { img count "$saved" green "$1" "$top" $(($2 - $1 + 1)) 7; }
# Plain clicks would have drawn the line from x = 891 and to x = 2109.
for check in "left 893 897 903 906" "right 2104 2108 2095 2098"; do
  read -r side out_from out_to in_from in_to <<<"$check"
  n_out=$(green "$out_from" "$out_to")
  n_in=$(green "$in_from" "$in_to")
  log "$side edge: $n_out green pixels 3 to 8 pixels outside it, $n_in just inside"
  ((n_out == 0)) || fail "the measurement runs past the disc's $side edge towards the click"
  ((n_in > 0)) || fail "the measurement does not reach the disc's $side edge"
done

app_running || fail "the program ended during the test"
pass
