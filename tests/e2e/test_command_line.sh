#!/usr/bin/env bash
# The command line and the keys of the 文件 menu:
# - `vantory pics/coins.jpg`, a path relative to the folder the program starts in, shows
#   the picture as soon as the window is up, fitted as 文件 > 打开 fits it;
# - Ctrl+S opens the Save dialog in the picture's folder with coins-标注.bmp suggested,
#   and Return writes that file: the picture at its own size, as a bitmap;
# - Ctrl+O opens the Open dialog, which Escape closes;
# - Ctrl+Q ends the program with status 0;
# - a file on the command line that is no picture gives the error report, which Return
#   dismisses, and the window stays empty and running;
# - a name that is not UTF-8 (an old disk's, an unpacked archive's) opens under its own
#   bytes.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init command_line "${1:-}"

# The program starts in $WORK/home (see start_app).
mkdir -p "$WORK/home/pics"
make_picture "$WORK/home/pics/coins.jpg" 400 200
start_app pics/coins.jpg
# A 400 x 200 picture fills the width of the 777 x 553 view, centred.
wait_picture_rect 8 86 761 381
log "the picture named on the command line is shown"

# key_dialog KEYS WHAT: KEYS pressed in the main window open a dialog; prints its id.
key_dialog() {
  focus_window "$MAIN_WIN"
  xdotool key "$1" || fail "xdotool key $1 failed"
  wait_other_window || fail "$1 opened no $2 dialog"
}

dialog=$(key_dialog ctrl+s Save)
focus_window "$dialog"
xdotool key Return
wait_window_gone "$dialog" || fail "Return did not close the Save dialog"
saved="$WORK/home/pics/coins-标注.bmp"
poll "$E2E_TIMEOUT" test -s "$saved" ||
  fail "the Save dialog did not suggest $saved; the folder holds: $(ls "$WORK/home/pics")"
info=$(img bmpinfo "$saved") || fail "$saved is not a Windows bitmap"
[[ "$info" == "400 200 24" ]] || fail "$saved is \"$info\", expected \"400 200 24\""
log "Ctrl+S and Return wrote $saved"

dialog=$(key_dialog ctrl+o Open)
focus_window "$dialog"
xdotool key Escape
wait_window_gone "$dialog" || fail "Escape did not close the Open dialog"
log "Ctrl+O opened the Open dialog"

focus_window "$MAIN_WIN"
xdotool key ctrl+q
wait_app_exit || fail "the program still runs ${E2E_TIMEOUT}s after Ctrl+Q"
((APP_STATUS == 0)) || fail "the program ended with status $APP_STATUS after Ctrl+Q"
APP_PID=""
log "Ctrl+Q ended the program"

# --- a file that is no picture ---------------------------------------------------------
printf 'This is a text file, not a picture.\n' >"$WORK/home/notes.jpg"
start_app notes.jpg
box=$(wait_other_window '^Vantory$') || fail "no error report for a file that is no picture"
focus_window "$box"
xdotool key Return
wait_window_gone "$box" || fail "Return did not dismiss the error report"
poll "$E2E_TIMEOUT" view_blank || fail "something is shown after the failed start: $(picture_rect)"
app_running || fail "the program ended after the error report"
focus_window "$MAIN_WIN"
xdotool key ctrl+q
wait_app_exit || fail "the program still runs ${E2E_TIMEOUT}s after Ctrl+Q"

# --- a name that is not UTF-8 ----------------------------------------------------------
old=$'pics/old\xff\xfe.jpg'
make_picture "$WORK/home/$old" 400 200
start_app "$old"
wait_picture_rect 8 86 761 381
log "a name that is not UTF-8 opens"
pass
