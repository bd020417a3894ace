#!/usr/bin/env bash
# A picture saved before any reference was committed carries no mark: right after Open,
# and again after a reference whose length box was cancelled.
#
# The picture is small and a little wider than the window (141 x 100, ratio 1.41), so
# that it fills the view almost to the top and is shown enlarged: a label drawn at the
# view's origin would land on the picture's top-left corner.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init save_unmarked "${1:-}"

picture="$WORK/small.jpg"
make_picture "$picture" 141 100

# save_and_check FILE: 文件 > 保存 to FILE, which must hold the picture without a red or
# green pixel anywhere.
save_and_check() {
  file_menu 1 # 文件 > 保存
  accept_file_dialog '' "$1"
  poll "$E2E_TIMEOUT" test -s "$1" || fail "no file written at $1"
  local info n colour
  info=$(img bmpinfo "$1") || fail "$1 is not a Windows bitmap"
  [[ "$info" == "141 100 24" ]] || fail "$1 is \"$info\", expected \"141 100 24\""
  for colour in red green; do
    n=$(img count "$1" "$colour" 0 0 141 100)
    ((n == 0)) || fail "$n $colour pixels in $1, which should be unmarked"
  done
  log "$1 is unmarked"
}

start_app
file_menu 0 # 文件 > 打开
accept_file_dialog '' "$picture"
save_and_check "$WORK/right-after-open.bmp"

# A reference placed, its length box cancelled, and a right click: nothing is committed.
annotate_menu 0 # 标注 > 设置基准尺寸
client_click 200 150
client_click 500 400
box=$(wait_other_window '^输入基准实际长$') || fail "the input box did not appear"
focus_window "$box"
xdotool key Escape
wait_window_gone "$box" || fail "Escape did not close the input box"
client_click 300 300 3
save_and_check "$WORK/after-cancel.bmp"

app_running || fail "the program ended during the test"
pass
