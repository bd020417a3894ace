#!/usr/bin/env bash
# The table of measurements with real clicks and keys: a reference "25.4 mm" and one
# measurement on a 600 x 300 JPEG; 文件 > 导出测量结果… with a name typed without a suffix
# writes a .csv (byte-order mark, Chinese header, CRLF) whose rows hold the clicks mapped
# onto the picture's pixels (within 0.002) and the labels' lengths; Ctrl+C puts the same
# rows, tab-separated, on the clipboard (read with xclip).
set -u
source "$(dirname "$0")/lib.sh"
e2e_init export_copy "${1:-}"
command -v xclip >/dev/null || fail "the tool xclip is not installed"

PIC_W=600 PIC_H=300 VIEW_LEFT=8 VIEW_TOP=86.25 VIEW_W=761 VIEW_H=380.5 # as in test_measure_save.sh
REF=(60 420 380 120) MEAS=(420 450 740 200)
make_picture "$WORK/photo.jpg" "$PIC_W" "$PIC_H"
start_app
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$WORK/photo.jpg"
wait_picture_rect 8 86 761 381
annotate_menu 0 # 标注 > 设置基准尺寸
set_reference "${REF[@]}" "25.4 mm"
annotate_menu 1 # 标注 > 测量标注
client_click "${MEAS[0]}" "${MEAS[1]}"
client_click "${MEAS[2]}" "${MEAS[3]}"
client_click 200 200 3

file_menu 2 # 文件 > 导出测量结果…
accept_file_dialog '' "$WORK/table"
csv="$WORK/table.csv"
poll "$E2E_TIMEOUT" test -s "$csv" || fail "no file written at $csv"
[[ $(head -c 3 "$csv" | od -An -tx1) == " ef bb bf" ]] || fail "the CSV has no byte-order mark"
(($(wc -l <"$csv") == 3 && $(grep -c $'\r$' "$csv") == 3)) || fail "not 3 lines ended by CRLF: $(cat -A "$csv")"
[[ $(head -n 1 "$csv") == $'\xEF\xBB\xBF编号,类型,图片,x1,y1,x2,y2,像素长度,长度,单位\r' ]] ||
  fail "the header reads \"$(head -n 1 "$csv")\""
# check_row N KIND LENGTH X1 Y1 X2 Y2: row N against the clicks mapped onto the picture.
check_row() {
  local row
  row=$(sed -n "$(($1 + 2))p" "$csv" | tr -d '\r')
  log "row $1: $row"
  awk -F, -v n="$1" -v kind="$2" -v len="$3" -v c="$4 $5 $6 $7" -v l="$VIEW_LEFT" -v t="$VIEW_TOP" \
    -v pw="$PIC_W" -v w="$VIEW_W" -v ph="$PIC_H" -v h="$VIEW_H" '
    function off(a, b) { return a > b ? a - b : b - a }
    { split(c, p, " "); x1 = (p[1] - l) * pw / w; y1 = (p[2] - t) * ph / h; x2 = (p[3] - l) * pw / w; y2 = (p[4] - t) * ph / h
      bad = NF != 10 || $1 != n || $2 != kind || $3 != "photo.jpg" || $9 != len || $10 != "mm"
      bad = bad || off($4, x1) > 0.002 || off($5, y1) > 0.002 || off($6, x2) > 0.002 || off($7, y2) > 0.002
      exit bad || off($8, sqrt((x2 - x1) ^ 2 + (y2 - y1) ^ 2)) > 0.003 }' <<<"$row" ||
    fail "row $1 is not $2 at the clicks $4,$5 $6,$7 with length $3 mm"
}
check_row 0 基准 25.4 "${REF[@]}"
check_row 1 测量 "$(img length "${REF[@]}" 25.4 "${MEAS[@]}")" "${MEAS[@]}"

focus_window "$MAIN_WIN"
xdotool key ctrl+c
expected=$(tail -c +4 "$csv" | tr -d '\r' | tr ',' '\t')
clipboard_holds() { [[ $(xclip -o -selection clipboard 2>/dev/null) == "$expected" ]]; }
poll "$E2E_TIMEOUT" clipboard_holds || fail "the clipboard holds \"$(xclip -o -selection clipboard 2>&1)\""
app_running || fail "the program ended during the test"
pass
