#!/usr/bin/env bash
# Start-up and Exit: the program shows one window "Vantory" with a 777 x 553 client area
# below its menu bar and above its status line, the menu bar holds three titles of which "标注" is greyed, the
# "文件" menu holds four items (and a separator), and "文件" > "退出" chosen with real
# clicks ends the process with status 0.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init start_exit "${1:-}"

start_app

((WIN_W == CLIENT_W)) || fail "main window is $WIN_W px wide, expected $CLIENT_W"
((MENUBAR_H >= 15 && MENUBAR_H <= 40)) ||
  fail "the menu bar is $MENUBAR_H px high over a $CLIENT_H px client area"
# The status line under the view: the window grows by its height.
((STATUS_H >= 15 && STATUS_H <= 40)) ||
  fail "the status line is $STATUS_H px high under a $CLIENT_H px client area"

# The client area starts right below the menu bar: its first row is the view's white
# background, the row above it is the menu bar.
poll "$E2E_TIMEOUT" view_blank ||
  fail "the client area of a fresh window is not blank: something at $(picture_rect)"
img rect "$WORK/view.ppm" "$CLIENT_X" $((CLIENT_Y - 1)) "$CLIENT_W" 1 >/dev/null 2>&1 ||
  fail "the row above the client area is white: the menu bar is not $MENUBAR_H px high"

menu_titles
log "menu titles at x = ${MENU_X[*]}"
file_ink=$(title_ink 0) || fail "cannot read the menu bar"
annotate_ink=$(title_ink 1) || fail "cannot read the menu bar"
about_ink=$(title_ink 2) || fail "cannot read the menu bar"
((file_ink < 100 && about_ink < 100)) ||
  fail "\"文件\" or \"关于\" looks greyed (darkest pixels $file_ink, $about_ink)"
((annotate_ink > 140)) || fail "\"标注\" is not greyed at start-up (darkest pixel $annotate_ink)"

# A greyed menu cannot be opened: a click on "标注" shows no popup.
click_menu_title 1
if popup=$(wait_popup 2); then
  fail "the greyed menu \"标注\" opened (window $popup)"
fi

# "文件" > "退出": item 3 of the four items (打开, 保存, 导出测量结果…, 退出; the separator
# is no item).
file_menu 3
wait_app_exit || fail "the program still runs ${E2E_TIMEOUT}s after 文件 > 退出"
((APP_STATUS == 0)) || fail "the program ended with status $APP_STATUS after 退出"
APP_PID=""

pass
