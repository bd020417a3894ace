#!/usr/bin/env bash
# A 6000 x 4000 photo, shown 761 px wide, saved with a reference and two measurements that
# share a midpoint; the saved picture is then read as a reader sees it, scaled down to
# 1200 px wide.
#
# Checked:
# - the saved file is a 24-bit bitmap of the picture's own size;
# - its lines are as wide as the picture is larger than shown (6000 / 761, about 8 px);
# - scaled to 1200 px wide, each label reads, at the size of the default font times
#   6000 / 761 / 5: the reference's at its midpoint, the first measurement's at the
#   shared midpoint and the second's beside it, to the left (no label on another);
# - saved again as large.png, the file is a PNG of the very same pixels.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init save_large "${1:-}"

PIC_W=6000
PIC_H=4000
picture="$WORK/photo.jpg"
saved="$WORK/large.bmp"
make_picture "$picture" "$PIC_W" "$PIC_H"

# A 3:2 picture is bound by the width: 11415 twips (761 px) wide, 7610 twips (507.33 px)
# high, at Left 120 (8 px) and Top (8295 - 7610) / 2 = 342.5 twips (22.83 px).
VIEW_LEFT=8 VIEW_TOP=22.8333 VIEW_W=761 VIEW_H=507.3333

REF=(100 100 400 100)
REF_LENGTH=50
MEAS1=(300 300 500 300) # level, midpoint (400, 300)
MEAS2=(400 220 400 380) # upright, the same midpoint

start_app
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$picture"
wait_picture_rect 8 23 761 507

annotate_menu 0 # 标注 > 设置基准尺寸
set_reference "${REF[@]}" "$REF_LENGTH"

annotate_menu 1 # 标注 > 测量标注
for m in MEAS1 MEAS2; do
  declare -n seg=$m
  client_click "${seg[0]}" "${seg[1]}"
  client_click "${seg[2]}" "${seg[3]}"
  client_click 600 450 3
done

file_menu 1 # 文件 > 保存
accept_file_dialog '' "$saved"
poll "$E2E_TIMEOUT" test -s "$saved" || fail "no file written at $saved"
info=$(img bmpinfo "$saved") || fail "the saved file is not a Windows bitmap"
[[ "$info" == "$PIC_W $PIC_H 24" ]] || fail "saved bitmap is \"$info\", expected \"$PIC_W $PIC_H 24\""

# The reference runs level through the picture's y of its client row 100: across it, a
# column holds about 8 red pixels (7.88, the line's edges blended).
read -r _ ref_y < <(to_picture 250 100)
y0=$(awk -v y="$ref_y" 'BEGIN { printf "%d", y - 30 }')
width=$(img count "$saved" red 1500 "$y0" 1 60)
((width >= 7 && width <= 9)) || fail "the reference is $width px wide in the saved picture, expected 7 to 9"
log "the reference is $width px wide"

# Scaled to 1200 px wide, as a viewer or a document shows it, the labels read. Each is
# looked for in the box where it goes, inside the lines that run along its edges.
READER_W=1200
convert "$saved" -resize "${READER_W}x" -depth 8 "ppm:$WORK/reader.ppm" || fail "cannot scale the saved picture"
points=$(awk -v v="$VIEW_W" -v r="$READER_W" 'BEGIN { printf "%.2f", 9 * r / v }')
reader_point() { # CX CY: a client point in the scaled picture
  to_picture "$1" "$2" | awk -v k="$((PIC_W / READER_W))" '{ printf "%d %d\n", $1 / k, $2 / k }'
}
label_reads() { # COLOUR X Y TEXT OTHER...: TEXT, of the texts given, is what the box at X Y shows
  local colour=$1 x=$2 y=$3 i=0 refs=() result
  shift 3
  for text in "$@"; do
    render_text "$WORK/text$i.ppm" "$text" "" "$points"
    refs+=("$WORK/text$i.ppm")
    i=$((i + 1))
  done
  result=$(img label "$WORK/reader.ppm" "$colour" "$x" "$y" 96 24 -100 -100 -100 -100 "${refs[@]}") ||
    fail "no $colour label at $x,$y of the scaled picture"
  log "$colour label at $x,$y compared with: $* -> $result"
  local scores=(${result#* })
  [[ ${result%% *} == 0 ]] || fail "the $colour label at $x,$y does not read \"$1\" (scores $result for: $*)"
  awk -v s="${scores[0]}" 'BEGIN { exit !(s >= 0.6) }' ||
    fail "the $colour label at $x,$y reads \"$1\" badly: score ${scores[0]}"
}
first=$(img length "${REF[@]}" "$REF_LENGTH" "${MEAS1[@]}")
second=$(img length "${REF[@]}" "$REF_LENGTH" "${MEAS2[@]}")
read -r rx ry < <(reader_point 250 100)
label_reads red $((rx + 2)) $((ry + 2)) "$REF_LENGTH" "$first" "$second"
read -r mx my < <(reader_point 400 300)
label_reads green $((mx + 2)) $((my + 2)) "$first" "$second" "$REF_LENGTH"
label_reads green $((mx - 98)) $((my + 2)) "$second" "$first" "$REF_LENGTH"

# Saved again under a name ending in .png: a PNG of the very same pixels.
png="$WORK/large.png"
file_menu 1 # 文件 > 保存
accept_file_dialog '' "$png"
poll "$E2E_TIMEOUT" test -s "$png" || fail "no file written at $png"
[[ $(head -c 4 "$png" | od -An -c | tr -d ' ') == '211PNG' ]] || fail "$png is not a PNG file"
differing=$(compare -metric AE "$saved" "$png" null: 2>&1) || true
[[ "$differing" == 0 ]] || fail "the PNG's pixels differ from the bitmap's: $differing"
log "large.png holds the bitmap's pixels in $(stat -c %s "$png") bytes against $(stat -c %s "$saved")"

app_running || fail "the program ended during the test"
pass
