# Shared functions of the end-to-end tests: a private Xvfb server, the program started
# with a fresh home, and real input events through xdotool. Source it, then call
# e2e_init NAME BINARY.
#
# Everything waits by polling with a time limit (E2E_TIMEOUT seconds, 20 by default);
# nothing relies on a fixed sleep being long enough. Only the processes started here are
# ever killed, by their pids.

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
IMGTOOL="$E2E_DIR/imgtool.py"
E2E_TIMEOUT=${E2E_TIMEOUT:-20}

# The client area of the main window at creation, in pixels.
CLIENT_W=777
CLIENT_H=553

TEST_NAME=""
APP=""
WORK=""
XVFB_PID=""
APP_PID=""
WATCHDOG_PID=""
MAIN_WIN=""
WIN_X="" WIN_Y="" WIN_W="" WIN_H=""
CLIENT_X="" CLIENT_Y="" MENUBAR_H="" STATUS_H=""
MENU_X=()
LAST_CLICK_X="" LAST_CLICK_Y="" LAST_CLICK_NS=0

log() { echo "[$TEST_NAME] $*"; }

fail() {
  echo "FAIL $TEST_NAME: $*" >&2
  if [[ -n "$WORK" && -s "$WORK/app.log" ]]; then
    echo "--- program output ---" >&2
    tail -n 40 "$WORK/app.log" >&2
  fi
  if [[ -n "$WORK" && -n "${DISPLAY:-}" ]] && xvfb_running; then
    # A picture of the screen at the failure, kept outside the work folder.
    local keep="${TMPDIR:-/tmp}/vantory-e2e-$TEST_NAME-failure.png"
    import -display "$DISPLAY" -window root -depth 8 "$keep" 2>/dev/null &&
      echo "screen at the failure: $keep" >&2
  fi
  exit 1
}

cleanup() {
  local rc=$?
  if [[ -n "$APP_PID" ]] && kill -0 "$APP_PID" 2>/dev/null; then
    kill -TERM "$APP_PID" 2>/dev/null
    local i
    for i in $(seq 1 30); do kill -0 "$APP_PID" 2>/dev/null && ! is_zombie "$APP_PID" || break; sleep 0.1; done
    kill -0 "$APP_PID" 2>/dev/null && ! is_zombie "$APP_PID" && kill -KILL "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null
  fi
  if [[ -n "$WATCHDOG_PID" ]]; then
    kill -TERM "$WATCHDOG_PID" 2>/dev/null
    wait "$WATCHDOG_PID" 2>/dev/null
  fi
  if [[ -n "$XVFB_PID" ]] && kill -0 "$XVFB_PID" 2>/dev/null; then
    kill -TERM "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  fi
  if [[ -n "$WORK" && -d "$WORK" && -z "${E2E_KEEP:-}" ]]; then
    rm -rf "$WORK"
  fi
  exit "$rc"
}

# poll SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds; fails after SECONDS.
poll() {
  local limit=$1
  shift
  local deadline=$(($(date +%s%N) + limit * 1000000000))
  while true; do
    if "$@"; then return 0; fi
    if (($(date +%s%N) > deadline)); then return 1; fi
    sleep 0.2
  done
}

is_zombie() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [[ ${stat%% *} == Z ]]
}

app_running() { [[ -n "$APP_PID" ]] && kill -0 "$APP_PID" 2>/dev/null && ! is_zombie "$APP_PID"; }
app_gone() { ! app_running; }
xvfb_running() { [[ -n "$XVFB_PID" ]] && kill -0 "$XVFB_PID" 2>/dev/null && ! is_zombie "$XVFB_PID"; }

require_tools() {
  local tool
  for tool in Xvfb xdotool import convert python3 fc-match; do
    command -v "$tool" >/dev/null || fail "the tool $tool is not installed"
  done
}

# e2e_init NAME BINARY: checks the tools, makes the work folder and starts Xvfb.
e2e_init() {
  TEST_NAME=$1
  APP=$2
  [[ -n "$APP" ]] || { echo "usage: $0 /path/to/vantory" >&2; exit 2; }
  [[ -x "$APP" ]] || fail "program $APP not found or not executable"
  require_tools
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/vantory-e2e.XXXXXX") || fail "cannot make a work folder"
  trap cleanup EXIT
  trap 'exit 130' INT TERM
  # Give up before the test runner's own time limit, so that cleanup still runs.
  # The watchdog ends its own sleep, by pid, when it is told to stop.
  (
    trap 'kill "$nap" 2>/dev/null; exit 0' TERM
    sleep "${E2E_DEADLINE:-240}" &
    nap=$!
    wait "$nap" || exit 0
    echo "FAIL $TEST_NAME: still running after ${E2E_DEADLINE:-240}s" >&2
    kill -TERM $$
  ) &
  WATCHDOG_PID=$!
  start_xvfb
}

start_xvfb() {
  local dfile="$WORK/display"
  : >"$dfile"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -noreset -nolisten tcp \
    3>"$dfile" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  # Xvfb writes the display number and a newline once it accepts connections.
  poll "$E2E_TIMEOUT" grep -q '^[0-9][0-9]*$' "$dfile" ||
    fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
  export DISPLAY=":$(head -n 1 "$dfile")"
  poll "$E2E_TIMEOUT" xdotool getdisplaygeometry >/dev/null 2>&1 ||
    fail "display $DISPLAY does not answer"
  log "Xvfb on $DISPLAY (pid $XVFB_PID)"
}

# start_app [ARGS...]: the program with a fresh home and no inherited settings, given
# ARGS on its command line.
start_app() {
  local home="$WORK/home"
  mkdir -p "$home/.config" "$home/.local/share" "$home/.cache" "$home/.local/state" "$WORK/runtime"
  chmod 700 "$WORK/runtime"
  (cd "$home" && exec env -i \
    PATH="$PATH" DISPLAY="$DISPLAY" HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state" \
    XDG_RUNTIME_DIR="$WORK/runtime" LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
    "$APP" "$@") >"$WORK/app.log" 2>&1 &
  APP_PID=$!
  log "program started (pid $APP_PID)"
  poll "$E2E_TIMEOUT" find_main_window || fail "no visible window named Vantory appeared"
  read_main_geometry
  log "main window $MAIN_WIN at $WIN_X,$WIN_Y size ${WIN_W}x$WIN_H"
}

# Visible windows of the program, one id a line.
app_windows() { xdotool search --all --onlyvisible --pid "$APP_PID" 2>/dev/null; }

# The main window: the largest visible window named Vantory (a message box, such as the
# report on a file named on the command line, carries the name too).
find_main_window() {
  app_running || fail "the program ended during start-up"
  local id largest=0
  MAIN_WIN=""
  for id in $(xdotool search --all --onlyvisible --pid "$APP_PID" --name '(^| - )Vantory$' 2>/dev/null); do
    window_geometry "$id" || continue
    if ((WIDTH * HEIGHT > largest)); then
      largest=$((WIDTH * HEIGHT))
      MAIN_WIN=$id
    fi
  done
  [[ -n "$MAIN_WIN" ]]
}

# window_geometry ID: sets X Y WIDTH HEIGHT.
window_geometry() {
  local out
  out=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null) || return 1
  eval "$(grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9-]+$' <<<"$out")"
}

# The main window's place, and its client area between the menu bar and the status line:
# in a fresh window, the only run of CLIENT_H pure white rows (the view's blank
# background; the bars around it are grey).
_client_found() {
  screenshot "$WORK/start.ppm"
  read -r _white_y _white_h < <(img white-run "$WORK/start.ppm" $((WIN_X + CLIENT_W - 3)) "$WIN_Y" "$WIN_H")
  ((_white_h == CLIENT_H))
}
read_main_geometry() {
  window_geometry "$MAIN_WIN" || fail "cannot read the main window's geometry"
  WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
  _white_y="" _white_h=""
  poll "$E2E_TIMEOUT" _client_found ||
    fail "no blank view of $CLIENT_H rows in the new window (a white run of ${_white_h:-0} at ${_white_y:-?})"
  CLIENT_X=$WIN_X
  CLIENT_Y=$_white_y
  MENUBAR_H=$((CLIENT_Y - WIN_Y))
  STATUS_H=$((WIN_H - MENUBAR_H - CLIENT_H))
}

# screenshot FILE: the whole screen as a binary PPM.
screenshot() {
  import -display "$DISPLAY" -window root -depth 8 "ppm:$1" 2>>"$WORK/import.log" ||
    fail "screen grab failed: $(tail -n 3 "$WORK/import.log")"
}

# img COMMAND ARGS...: the pixel helper.
img() { python3 "$IMGTOOL" "$@"; }

# click X Y [BUTTON]: moves the pointer there and clicks. A second click on the same pixel
# within 400 ms would reach Qt as a double click; wait it out.
click() {
  local x=$1 y=$2 button=${3:-1} now
  now=$(date +%s%N)
  if [[ "$x" == "$LAST_CLICK_X" && "$y" == "$LAST_CLICK_Y" ]] &&
    ((now - LAST_CLICK_NS < 450000000)); then
    sleep 0.45
  fi
  xdotool mousemove --sync "$x" "$y" || fail "cannot move the pointer to $x,$y"
  xdotool click "$button" || fail "cannot click at $x,$y"
  LAST_CLICK_X=$x LAST_CLICK_Y=$y LAST_CLICK_NS=$(date +%s%N)
}

# client_click CX CY [BUTTON]: a click at a point of the client area.
client_click() { click $((CLIENT_X + $1)) $((CLIENT_Y + $2)) "${3:-1}"; }

# Windows of the program other than the main window, one id a line.
other_windows() { app_windows | grep -vx "$MAIN_WIN"; }

# wait_other_window [REGEX [SECONDS]]: prints the id of a newly visible window of the
# program, other than the main window, whose name matches REGEX. Only windows of a
# dialog's size count: a popup (a menu, the file dialog's completion list, still closing
# after Return) carries the application's name too, and may vanish as it is looked at.
_found_window=""
_look_for_window() {
  local id
  for id in $(other_windows); do
    if [[ -z "$1" ]] || [[ "$(xdotool getwindowname "$id" 2>/dev/null)" =~ $1 ]]; then
      window_geometry "$id" || continue
      ((HEIGHT >= 60)) || continue
      _found_window=$id
      return 0
    fi
  done
  return 1
}
wait_other_window() {
  _found_window=""
  poll "${2:-$E2E_TIMEOUT}" _look_for_window "${1:-}" || return 1
  echo "$_found_window"
}

_window_hidden() { ! app_windows | grep -qx "$1"; }
# wait_window_gone ID [SECONDS]
wait_window_gone() { poll "${2:-$E2E_TIMEOUT}" _window_hidden "$1"; }

# focus_window ID: gives a dialog the keyboard focus (there is no window manager).
focus_window() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" ||
    fail "cannot focus window $1"
}

# Menu titles on the bar, found on the screen: sets MENU_X to their centres.
_read_menu_titles() {
  screenshot "$WORK/bar.ppm"
  local xs
  xs=$(img menubar "$WORK/bar.ppm" "$WIN_X" $((WIN_Y + 1)) 400 $((MENUBAR_H - 3))) || return 1
  read -r -a MENU_X <<<"$xs"
  ((${#MENU_X[@]} == 3))
}
menu_titles() {
  ((${#MENU_X[@]} == 3)) && return 0
  poll "$E2E_TIMEOUT" _read_menu_titles ||
    fail "expected 3 menu titles on the menu bar, found ${#MENU_X[@]} (${MENU_X[*]})"
}

# click_menu_title N: clicks the Nth title (0 文件, 1 标注, 2 关于).
click_menu_title() {
  menu_titles
  click "${MENU_X[$1]}" $((WIN_Y + MENUBAR_H / 2))
}

# title_ink N: the darkest pixel of title N; a greyed title is much lighter than an
# enabled one.
title_ink() {
  screenshot "$WORK/bar.ppm"
  img menubar-ink "$WORK/bar.ppm" "$WIN_X" $((WIN_Y + 1)) 400 $((MENUBAR_H - 3)) "$1"
}

# wait_popup [SECONDS]: prints the id of the menu popup that opens right below the bar.
_look_for_popup() {
  local id
  for id in $(other_windows); do
    window_geometry "$id" || continue
    if ((Y == WIN_Y + MENUBAR_H && X >= WIN_X && X < WIN_X + 400)); then
      _found_window=$id
      return 0
    fi
  done
  return 1
}
wait_popup() {
  _found_window=""
  poll "${1:-$E2E_TIMEOUT}" _look_for_popup || return 1
  echo "$_found_window"
}

_popup_items=()
_read_popup_items() {
  local want=$1 popup=$2 items
  window_geometry "$popup" || return 1
  screenshot "$WORK/popup.ppm"
  items=$(img menuitems "$WORK/popup.ppm" "$X" "$Y" "$WIDTH" "$HEIGHT") || return 1
  read -r -a _popup_items <<<"$items"
  ((${#_popup_items[@]} == want))
}

# menu TITLE ITEM_INDEX ITEM_COUNT: opens menu TITLE (0-based) with a click on its title,
# waits for its popup to show ITEM_COUNT items, clicks item ITEM_INDEX (0-based) and
# waits for the popup to close.
menu() {
  local title=$1 index=$2 count=$3 popup
  click_menu_title "$title"
  popup=$(wait_popup) || fail "menu $title did not open"
  poll "$E2E_TIMEOUT" _read_popup_items "$count" "$popup" ||
    fail "menu $title shows ${#_popup_items[@]} items, expected $count"
  window_geometry "$popup" || fail "menu $title closed by itself"
  click $((X + WIDTH / 2)) "${_popup_items[$index]}"
  wait_window_gone "$popup" || fail "menu $title stayed open after choosing item $index"
}

# The items the 文件 and 标注 menus list (separators not counted), kept here once for
# every test: file_menu ITEM_INDEX and annotate_menu ITEM_INDEX choose an item of each.
FILE_MENU_ITEMS=4
ANNOTATE_MENU_ITEMS=6
file_menu() { menu 0 "$1" "$FILE_MENU_ITEMS"; }
annotate_menu() { menu 1 "$1" "$ANNOTATE_MENU_ITEMS"; }

# accept_file_dialog REGEX PATH: waits for a dialog whose title matches REGEX (any, when
# empty), types PATH into its file name box and accepts it with Return. Sets DIALOG to
# the dialog's window id.
DIALOG=""
accept_file_dialog() {
  local regex=$1 path=$2
  DIALOG=$(wait_other_window "$regex") || fail "no file dialog matching /$regex/ appeared"
  focus_window "$DIALOG"
  xdotool type --delay 15 "$path" || fail "typing into the file dialog failed"
  xdotool key Return
  wait_window_gone "$DIALOG" || fail "the file dialog did not close after Return"
}

# set_reference X1 Y1 X2 Y2 LENGTH: in reference mode, clicks the two ends (client
# pixels), types LENGTH into the length box that follows, and fixes the reference with a
# right click.
set_reference() {
  local box
  client_click "$1" "$2"
  client_click "$3" "$4"
  box=$(wait_other_window '^输入基准实际长$') || fail "the length box did not appear after the second click"
  focus_window "$box"
  xdotool key ctrl+a
  xdotool type --delay 30 "$5"
  xdotool key Return
  wait_window_gone "$box" || fail "the length box did not close after Return"
  client_click 300 300 3
}

# wait_app_exit [SECONDS]: waits until the program has ended; sets APP_STATUS.
APP_STATUS=""
wait_app_exit() {
  poll "${1:-$E2E_TIMEOUT}" app_gone || return 1
  wait "$APP_PID" 2>/dev/null
  APP_STATUS=$?
  return 0
}

# picture_rect: the bounding box "x y w h" (screen pixels) of what is not white in the
# client area, that is of the displayed picture.
picture_rect() {
  screenshot "$WORK/view.ppm"
  img rect "$WORK/view.ppm" "$CLIENT_X" "$CLIENT_Y" "$CLIENT_W" "$CLIENT_H" 2>/dev/null
}

view_blank() { ! picture_rect >/dev/null; }

# wait_picture_rect X Y W H: waits until the displayed picture covers that rectangle of
# the client area, give or take a pixel; fails with where it is otherwise.
_picture_near() {
  local got
  got=$(picture_rect) || return 1
  read -r _px _py _pw _ph <<<"$got"
  ((_px - CLIENT_X - $1 >= -1 && _px - CLIENT_X - $1 <= 1 && _py - CLIENT_Y - $2 >= -1 &&
    _py - CLIENT_Y - $2 <= 1 && _pw - $3 >= -1 && _pw - $3 <= 1 && _ph - $4 >= -1 && _ph - $4 <= 1))
}
wait_picture_rect() {
  _px="" _py="" _pw="" _ph=""
  poll "$E2E_TIMEOUT" _picture_near "$@" && return 0
  if [[ -z "$_px" ]]; then fail "no picture is shown in the view"; fi
  fail "picture shown at client $((_px - CLIENT_X)),$((_py - CLIENT_Y)) size ${_pw}x$_ph;" \
    "expected $1,$2 size $3x$4"
}

# make_picture FILE W H: a JPEG with a vertical gradient of blue greys, without any pure
# red or green.
make_picture() {
  convert -size "$2x$3" gradient:'#3060a0-#a0a0b0' -quality 92 "$1" ||
    fail "cannot make the test picture $1"
}

# render_text FILE TEXT [LANG [POINTS]]: TEXT drawn black on white as a PPM, in the font
# that fontconfig gives Qt for its default sans-serif font (for LANG zh-cn, the Chinese
# one), at POINTS (9, the size of Qt's default font here, unless given) and 96 dots per
# inch.
render_text() {
  local font
  font=$(fc-match -f '%{file}' "sans-serif${3:+:lang=$3}") || fail "fc-match found no font"
  convert -background white -fill black -font "$font" -pointsize "${4:-9}" -density 96 \
    "label:$2" -depth 8 "ppm:$1" || fail "cannot render the text \"$2\""
}

pass() { echo "PASS $TEST_NAME"; }

# to_picture CX CY: a client point over the shown picture as a point of the picture at its
# natural size, from where the picture is shown (VIEW_LEFT VIEW_TOP VIEW_W VIEW_H, client
# pixels) and its size (PIC_W PIC_H).
to_picture() {
  awk -v cx="$1" -v cy="$2" -v l="$VIEW_LEFT" -v t="$VIEW_TOP" -v w="$VIEW_W" -v h="$VIEW_H" \
    -v pw="$PIC_W" -v ph="$PIC_H" 'BEGIN { printf "%.2f %.2f\n", (cx - l) * pw / w, (cy - t) * ph / h }'
}
