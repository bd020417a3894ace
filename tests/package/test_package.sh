#!/usr/bin/env bash
# The Debian package, as a user gets it. In a Release build folder of its own, builds the
# program and packs it with `cpack -G DEB`, then checks:
# - the control fields: name, version from CMake, architecture, section, the libraries
#   found by dpkg-shlibdeps and the run-time dependencies named by hand;
# - the file list, with owners and permissions, exactly;
# - the unpacked files (dpkg -x): a stripped binary without debug sections, icons of the
#   size their folder says, a changelog and AppStream release of this version, a desktop
#   entry that desktop-file-validate passes without a hint, whose icon and program are in
#   the package, which passes the file to open (%f) and names the picture types, metainfo
#   that `appstreamcli validate` passes without any remark;
# - lintian: no error;
# - apt resolves the package's dependencies, on this system, on one where this version is
#   installed already, and on an empty one (simulated installs);
# - the installed binary, started under Xvfb with a fresh home and a picture on its
#   command line, shows its window "Vantory" with the window class the desktop entry
#   names and the picture in it, and 文件 > 退出 ends it with status 0.
#
# Usage: test_package.sh SOURCE_DIR WORK_DIR VERSION
set -u
source "$(dirname "$0")/../e2e/lib.sh"
TEST_NAME=package

SRC=${1:?source folder}
OUT=${2:?work folder}
VERSION=${3:?version}
BUILD=$OUT/build
ROOT=$OUT/root
ID=org.vantory.Vantory
started=$(date +%s)

step() { log "$(($(date +%s) - started)) s: $*"; }

# lintian, appstreamcli and the program read and write under the home folder: a fresh one.
mkdir -p "$OUT/home"
export HOME=$OUT/home XDG_CONFIG_HOME=$OUT/home/.config XDG_CACHE_HOME=$OUT/home/.cache \
  XDG_DATA_HOME=$OUT/home/.local/share
for tool in cmake cpack dpkg dpkg-deb dpkg-shlibdeps lintian desktop-file-validate \
  appstreamcli apt-get file readelf zcat python3 xprop; do
  command -v "$tool" >/dev/null || fail "the tool $tool is not installed"
done

# --- build and pack --------------------------------------------------------------------
step "configuring a Release build in $BUILD"
# No install step builds more than the program: the tests and benchmarks stay unbuilt.
cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  >"$OUT/configure.log" 2>&1 || { tail -n 30 "$OUT/configure.log"; fail "configure failed"; }
step "building the program"
cmake --build "$BUILD" --target vantory -j"$(nproc)" >"$OUT/build.log" 2>&1 ||
  { tail -n 30 "$OUT/build.log"; fail "build failed"; }
step "packing"
rm -f "$BUILD"/vantory_*.deb
(cd "$BUILD" && cpack -G DEB) >"$OUT/cpack.log" 2>&1 ||
  { tail -n 30 "$OUT/cpack.log"; fail "cpack failed"; }
arch=$(dpkg --print-architecture)
debs=("$BUILD"/vantory_*.deb)
((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] || fail "expected one package, found: ${debs[*]}"
DEB=${debs[0]}
log "package: $DEB ($(stat -c %s "$DEB") bytes)"

# --- control fields --------------------------------------------------------------------
field() { dpkg-deb -f "$DEB" "$1"; }
dpkg-deb -f "$DEB" | sed 's/^/  /'
[[ $(field Package) == vantory ]] || fail "Package is '$(field Package)'"
deb_version=$(field Version)
[[ $deb_version =~ ^${VERSION//./\\.}-[0-9]+$ ]] ||
  fail "Version is '$deb_version', expected $VERSION-N (the version CMake has)"
[[ $(basename "$DEB") == "vantory_${deb_version}_$arch.deb" ]] ||
  fail "the package file is named $(basename "$DEB")"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture is '$(field Architecture)'"
[[ $(field Section) == graphics ]] || fail "Section is '$(field Section)'"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] ||
  fail "Maintainer is '$(field Maintainer)'"
[[ $(field Homepage) == https://* ]] || fail "Homepage is '$(field Homepage)'"
[[ $(field Description | wc -l) -gt 2 ]] || fail "the Description has no long text"

# Depends, one relation a line.
mapfile -t depends < <(field Depends | sed 's/, */\n/g')
has_depend() {
  local want=$1 relation
  for relation in "${depends[@]}"; do [[ $relation =~ $want ]] && return 0; done
  fail "Depends has no relation matching /$want/: $(field Depends)"
}
# Named by hand: loaded at run time, not linked.
has_depend '^qt6-image-formats-plugins$'
has_depend '^qt6-translations-l10n$'
has_depend '^fonts-wqy-microhei \| fonts-noto-cjk$'
# Found by dpkg-shlibdeps in the binary, with the lowest versions that have its symbols.
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libstdc\\+\\+6 libc6; do
  has_depend "^$lib \(>= [0-9][^)]*\)$"
done

# --- file list -------------------------------------------------------------------------
expected_files=(
  ./usr/bin/vantory
  ./usr/share/applications/$ID.desktop
  ./usr/share/doc/vantory/changelog.Debian.gz
  ./usr/share/doc/vantory/copyright
  ./usr/share/icons/hicolor/128x128/apps/vantory.png
  ./usr/share/icons/hicolor/16x16/apps/vantory.png
  ./usr/share/icons/hicolor/256x256/apps/vantory.png
  ./usr/share/icons/hicolor/32x32/apps/vantory.png
  ./usr/share/icons/hicolor/48x48/apps/vantory.png
  ./usr/share/icons/hicolor/64x64/apps/vantory.png
  ./usr/share/icons/hicolor/scalable/apps/vantory.svg
  ./usr/share/man/man1/vantory.1.gz
  ./usr/share/metainfo/$ID.metainfo.xml
)
dpkg-deb -c "$DEB" >"$OUT/contents.txt" || fail "dpkg-deb -c failed"
sed 's/^/  /' "$OUT/contents.txt"
actual_files=$(awk '$1 !~ /^d/ {print $6}' "$OUT/contents.txt" | LC_ALL=C sort)
diff <(printf '%s\n' "${expected_files[@]}" | LC_ALL=C sort) <(echo "$actual_files") >"$OUT/files.diff" ||
  { cat "$OUT/files.diff"; fail "the package's files differ from the expected list (< expected, > found)"; }
# Owned by root; the program 0755, every other file 0644, every folder 0755.
awk '
  $2 != "root/root" { print "owner " $2 ": " $6; bad = 1 }
  $1 ~ /^d/ && $1 != "drwxr-xr-x" { print $1 ": " $6; bad = 1 }
  $1 ~ /^-/ && $6 == "./usr/bin/vantory" && $1 != "-rwxr-xr-x" { print $1 ": " $6; bad = 1 }
  $1 ~ /^-/ && $6 != "./usr/bin/vantory" && $1 != "-rw-r--r--" { print $1 ": " $6; bad = 1 }
  $1 !~ /^[-d]/ { print "not a file or folder: " $0; bad = 1 }
  END { exit bad }' "$OUT/contents.txt" || fail "wrong owners or permissions in the package"

# --- the unpacked files ----------------------------------------------------------------
step "unpacking into $ROOT"
rm -rf "$ROOT"
dpkg -x "$DEB" "$ROOT" || fail "dpkg -x failed"
bin=$ROOT/usr/bin/vantory
file "$bin" | grep -q 'ELF.*, stripped$' || fail "the binary is not stripped: $(file "$bin")"
sections=$(readelf -SW "$bin") || fail "readelf cannot read the binary"
grep -Eq '\.(debug_|zdebug|symtab)' <<<"$sections" &&
  fail "the binary still has debug or symbol sections: $(grep -Eo '\.(z?debug_[a-z]+|symtab)' <<<"$sections" | tr '\n' ' ')"

for size in 16 32 48 64 128 256; do
  icon=$ROOT/usr/share/icons/hicolor/${size}x$size/apps/vantory.png
  file "$icon" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size}x$size icon is $(file -b "$icon")"
done
file "$ROOT/usr/share/icons/hicolor/scalable/apps/vantory.svg" | grep -q 'SVG' ||
  fail "the scalable icon is no SVG"

zcat "$ROOT/usr/share/doc/vantory/changelog.Debian.gz" | head -n 1 |
  grep -q "^vantory ($deb_version) " ||
  fail "the changelog's last entry is not for $deb_version:" \
    "$(zcat "$ROOT/usr/share/doc/vantory/changelog.Debian.gz" | head -n 1)"

# The desktop entry: no error, warning or hint; its program and icon are in the package;
# Graphics is its main category.
desktop=$ROOT/usr/share/applications/$ID.desktop
remarks=$(desktop-file-validate "$desktop" 2>&1)
[[ $? -eq 0 && -z $remarks ]] || fail "desktop-file-validate: ${remarks:-failed}"
log "desktop-file-validate: no remark"
entry() { sed -n "s/^$1=//p" "$desktop"; }
exec_line=$(entry Exec)
[[ -x $ROOT/usr/bin/${exec_line%% *} ]] || fail "the desktop entry starts '$exec_line', not in the package"
# A file manager opens a picture with the program: the entry passes one file and names
# the picture types.
[[ $exec_line == "vantory %f" ]] || fail "the desktop entry's Exec is '$exec_line', not 'vantory %f'"
for type in image/jpeg image/png image/bmp image/gif image/tiff image/webp; do
  [[ ";$(entry MimeType)" == *";$type;"* ]] || fail "the desktop entry's MimeType has no $type"
done
icon_name=$(entry Icon)
for dir in 16x16 32x32 48x48 64x64 128x128 256x256; do
  [[ -f $ROOT/usr/share/icons/hicolor/$dir/apps/$icon_name.png ]] ||
    fail "no $dir icon named '$icon_name' as the desktop entry says"
done
[[ ";$(entry Categories)" == *";Graphics;"* ]] ||
  fail "the desktop entry's categories are '$(entry Categories)'"

# The AppStream metadata: no remark of any severity but the pedantic ones.
metainfo=$ROOT/usr/share/metainfo/$ID.metainfo.xml
remarks=$(appstreamcli validate --no-net --explain --strict "$metainfo" 2>&1)
status=$?
echo "$remarks" | sed 's/^/  /'
((status == 0)) || fail "appstreamcli validate failed"
grep -Eq '^[EWI]: ' <<<"$remarks" && fail "appstreamcli validate has remarks"
# It names this version, the desktop entry of the package and the binary.
python3 - "$metainfo" "$VERSION" "$ID.desktop" <<'EOF' || fail "the metainfo does not fit the package"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
release = root.find("releases/release")
launchable = root.find("launchable[@type='desktop-id']")
problems = []
if release is None or release.get("version") != sys.argv[2]:
    problems.append("newest release %s, not %s" % (None if release is None else release.get("version"), sys.argv[2]))
if launchable is None or launchable.text != sys.argv[3]:
    problems.append("launchable %s, not %s" % (None if launchable is None else launchable.text, sys.argv[3]))
if root.findtext("provides/binary") != "vantory":
    problems.append("provides no binary vantory")
if not root.findtext("name[@{http://www.w3.org/XML/1998/namespace}lang='zh_CN']"):
    problems.append("no Chinese name")
for problem in problems:
    print("metainfo:", problem, file=sys.stderr)
sys.exit(1 if problems else 0)
EOF

# --- lintian ---------------------------------------------------------------------------
step "lintian"
lintian_options=(--fail-on error --display-info)
(($(id -u) == 0)) && lintian_options+=(--allow-root)
lintian "${lintian_options[@]}" "$DEB" >"$OUT/lintian.txt" 2>&1
status=$?
sed 's/^/  /' "$OUT/lintian.txt"
((status == 0)) && ! grep -q '^E: ' "$OUT/lintian.txt" || fail "lintian reports errors"

# --- dependencies resolve --------------------------------------------------------------
step "apt-get install --simulate"
# --reinstall: where this version is installed already, apt would otherwise say it is the
# newest and plan nothing; a newer one installed is planned as a downgrade.
simulate_install() { apt-get install --simulate --reinstall "$@" "$DEB"; }
simulate_install >"$OUT/apt.txt" 2>&1
status=$?
grep -E '^(Inst|Conf) |^E: |is already the newest' "$OUT/apt.txt" | sed 's/^/  /'
((status == 0)) && grep -q '^Inst vantory ' "$OUT/apt.txt" ||
  { cat "$OUT/apt.txt"; fail "apt cannot install the package here"; }
# The same where this very version is installed already (a status file that says so).
{ awk -v RS= -v ORS='\n\n' '!/^Package: vantory\n/' /var/lib/dpkg/status
  printf 'Package: vantory\nStatus: install ok installed\n'
  printf 'Architecture: %s\nVersion: %s\nMaintainer: -\nDescription: -\n' "$arch" "$(field Version)"
} >"$OUT/installed-status"
simulate_install -o Dir::State::status="$OUT/installed-status" >"$OUT/apt-again.txt" 2>&1
status=$?
((status == 0)) && grep -q "^Inst vantory \[$(field Version)\]" "$OUT/apt-again.txt" ||
  { cat "$OUT/apt-again.txt"; fail "apt plans nothing where the package is installed already"; }
# And on a system with nothing installed: every dependency, and theirs, from the
# archive's package lists (when apt has them).
if compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null; then
  : >"$OUT/empty-status"
  simulate_install -o Dir::State::status="$OUT/empty-status" >"$OUT/apt-fresh.txt" 2>&1
  status=$?
  ((status == 0)) && grep -q '^Inst vantory ' "$OUT/apt-fresh.txt" ||
    { tail -n 30 "$OUT/apt-fresh.txt"; fail "apt cannot install the package on an empty system"; }
  log "on an empty system apt installs $(grep -c '^Inst ' "$OUT/apt-fresh.txt") packages with it"
else
  log "apt has no package lists: no simulated install on an empty system"
fi

# --- the installed program -------------------------------------------------------------
step "starting the installed program"
e2e_init package "$bin"
# A 400 x 200 picture named on the command line: fitted to the width of the window.
make_picture "$WORK/start.jpg" 400 200
start_app "$WORK/start.jpg"
[[ $(readlink "/proc/$APP_PID/exe") == "$bin" ]] ||
  fail "the process runs $(readlink "/proc/$APP_PID/exe"), not the unpacked binary"
# A launcher shows the desktop entry's icon for the window whose class it names, exactly.
wm_class=$(entry StartupWMClass)
[[ -n $wm_class ]] || fail "the desktop entry names no StartupWMClass"
window_class=$(xprop -id "$MAIN_WIN" WM_CLASS) || fail "xprop cannot read the window's class"
log "$window_class"
[[ $window_class == *", \"$wm_class\"" ]] ||
  fail "the window's class is not \"$wm_class\", as the desktop entry says: $window_class"
wait_picture_rect 8 86 761 381
log "the picture named on the command line is shown"
file_menu 3
wait_app_exit || fail "the program still runs ${E2E_TIMEOUT}s after 文件 > 退出"
((APP_STATUS == 0)) || fail "the program ended with status $APP_STATUS after 退出"
APP_PID=""
step "done"
pass
