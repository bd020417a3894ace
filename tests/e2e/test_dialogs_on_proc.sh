#!/usr/bin/env bash
# The file dialogs never freeze, even on /proc, where reading /proc/kmsg blocks for ever:
# - Qt's shared file-dialog history (written by any Qt program) remembers /proc, so the
#   Open dialog starts there; after a while to list it, a typed path and Return still
#   open a picture;
# - in the Save dialog the user types /proc/ and Return to go there; after a while to
#   list it, a typed path and Return still save the picture;
# - the program answers to the end.
set -u
source "$(dirname "$0")/lib.sh"
e2e_init dialogs_on_proc "${1:-}"

picture="$WORK/photo.jpg"
make_picture "$picture" 600 300
saved="$WORK/saved.bmp"

# The history of the program's own (fresh) home: the last folder visited was /proc.
mkdir -p "$WORK/home/.config"
printf '[FileDialog]\nlastVisited=file:///proc\n' >"$WORK/home/.config/QtProject.conf"

start_app

# --- Open, starting in /proc --------------------------------------------------------------
file_menu 0 # 文件 > 打开
dialog=$(wait_other_window '') || fail "no Open dialog appeared"
sleep 2 # time for the dialog to list /proc and look at its files
accept_file_dialog '' "$picture"
wait_picture_rect 8 86 761 381 || fail "the picture did not open from a dialog that started in /proc"
log "the Open dialog on /proc answered"

# --- Save, after typing /proc/ ------------------------------------------------------------
file_menu 1 # 文件 > 保存
dialog=$(wait_other_window '') || fail "no Save dialog appeared"
focus_window "$dialog"
xdotool type --delay 15 "/proc/" || fail "typing into the Save dialog failed"
xdotool key Return
sleep 2
app_windows | grep -qx "$dialog" || fail "the Save dialog closed on a folder name"
focus_window "$dialog"
xdotool key ctrl+a # the name box may still hold the folder typed before
accept_file_dialog '' "$saved"
poll "$E2E_TIMEOUT" test -s "$saved" || fail "nothing was saved from a dialog that had listed /proc"
log "the Save dialog on /proc answered"

app_running || fail "the program ended during the test"
pass
