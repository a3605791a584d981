#!/usr/bin/env bash
# The self-contained program folder (scripts/bundle) runs from a FAT stick on a machine without
# Qt 6, libsodium, ICU or double-conversion. In a mount namespace of its own, the system's copies
# of those and Qt's plugin folder are hidden under empty ones. Then, under Xvfb, from a folder with blanks in its path on a FAT image: the first
# start creates the table there; the next logs in, saves (a backup appears) and refuses a second
# instance; a start through a symbolic link copies the saved value to the clipboard. Every library
# the program maps from outside its folder must be one the system provides; the Japanese captions
# use the installed font while there is one, and the carried one once it is hidden too. Nothing
# is written outside the stick but fontconfig's cache and the runtime folder.
# A plugin planted in the folder (platformthemes/) is never loaded.
# Usage: isolated.sh <source folder> <planted plugin>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$1"

if [ -z "${BUNDLE_WORK:-}" ]; then
    command -v unshare >/dev/null || { echo "SKIP: unshare is missing"; exit 77; }
    [ -c /dev/fuse ] || { echo "SKIP: /dev/fuse is missing"; exit 77; }
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    "$repo/scripts/bundle" "$work/out" >"$work/bundle.log" 2>&1 || { tail -n 40 "$work/bundle.log" >&2; exit 1; }
    folder_mb=$(($(du -sb "$work/out/dravesse" | cut -f1) / 1000000))
    archive_mb=$(($(stat -c %s "$work"/out/dravesse-*-x86_64.tar.gz) / 1000000))
    echo "-- the folder holds $folder_mb MB, the archive $archive_mb MB"
    [ "$folder_mb" -lt 80 ] || { echo "FAIL: the folder is over 80 MB" >&2; exit 1; }
    [ "$archive_mb" -lt 35 ] || { echo "FAIL: the archive is over 35 MB" >&2; exit 1; }
    # The folder's stripped executable and library are hardened as the build is.
    "$repo/scripts/check-hardening" "$work/out/dravesse/dravesse" \
        "$work/out/dravesse/lib/libdravesse_instance_socket.so"
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(--map-root-user)
    BUNDLE_WORK="$work" unshare --mount "${as_root[@]}" bash "$0" "$@"
    exit 0
fi

source "$here/../e2e/lib/x_session.sh"
source "$repo/packaging/system_libs.sh"
work="$BUNDLE_WORK"
stick="$work/USB stick"
program="$stick/My Programs/dravesse"
table="$program/Tamblet.csv"
main_title=".*Dravesse.*Ver .*"
create_save=(6577 1087)   # twips in the windows, as in the full end-to-end test
display=(907 3457)
edit=(3607 3457)
save=(7657 3457)
first_value_cell=(185 67) # pixels

# Only the namespace sees these. fontconfig keeps its caches in a folder of the test's own.
mkdir "$work/home" "$work/tmp" "$work/empty.d" "$work/cwd" "$work/fontconfig"
: >"$work/empty"
hide() {
    local f
    for f in "$@"; do
        if [ -d "$f" ]; then mount --bind "$work/empty.d" "$f"; elif [ -e "$f" ]; then mount --bind "$work/empty" "$f"; fi
    done
}
mount --bind "$work/fontconfig" /var/cache/fontconfig

# The window manager uses ICU, hidden below. The other libraries the folder carries stay visible,
# as the tools here need them; check_libraries proves the program does not take them.
e2e_begin
export HOME="$work/home" TMPDIR="$work/tmp"   # the program's, watched for writes
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME
truncate -s 160M "$work/stick.img"
mkfs.vfat "$work/stick.img" >/dev/null
mkdir "$stick"
fusefat -o rw+ "$work/stick.img" "$stick" >"$work/fusefat.log" 2>&1
trap 'e2e_cleanup; fusermount -u "$stick" 2>/dev/null || true' EXIT
mkdir "$stick/My Programs"
cp -r "$work/out/dravesse" "$stick/My Programs/"
mkdir "$program/platformthemes"
cp "$2" "$program/platformthemes/"
export DRAVESSE_PLANTED_MARKER="$work/planted plugin loaded"

libs=/usr/lib/x86_64-linux-gnu
hide "$libs"/libQt6* "$libs"/libsodium* "$libs"/libicu* "$libs"/libdouble-conversion* "$libs/qt6"
[ ! -s "$libs/libQt6Core.so.6" ] || e2e_fail "the system's Qt is not hidden"

# Every shared library the program has mapped from outside its folder is one the system provides.
check_libraries() {
    local pairs system name file
    pairs="$(sed -E 's/^([^ ]+ +){5}//' "/proc/$1/maps" | grep -E '\.so(\.[0-9]+)*$' | grep -vF "$program/" |
        sort -u | while read -r file; do
            name="$(objdump -p "$file" | awk '$1 == "SONAME" {print $2}')"
            echo "${name:-$(basename "$file")} $file"
        done)"
    system="$(system_libs <<<"$pairs")"
    while read -r name file; do
        grep -qxF "$name" <<<"$system" || e2e_fail "$file was loaded from the system"
    done <<<"$pairs"
}
maps_font() { grep -qF "$2" "/proc/$1/maps"; }
close() { e2e_focus "$1"; e2e_key alt+F4; }   # wmctrl needs the hidden GLib
cd "$work/cwd"

echo "-- first start, from the stick: the create dialog writes Tamblet.csv beside the program"
e2e_start "$program"
wid=$(e2e_wait_window "Create Tamblet")
check_libraries "$E2E_APP"
e2e_wait "the installed Japanese font in use" maps_font "$E2E_APP" /usr/share/fonts/
! maps_font "$E2E_APP" "$program/fonts/" || e2e_fail "the carried font is used beside an installed one"
e2e_focus "$wid"
e2e_key Return Return
e2e_type "star gate"; e2e_key Return
e2e_type "open sesame"; e2e_key Return
e2e_type "moon"; e2e_key Return
e2e_click_twips "$wid" "${create_save[@]}"
e2e_expect_exit 0
[ -f "$table" ] || e2e_fail "Tamblet.csv was not written on the stick"

echo "-- no Japanese font installed: log in, edit, save; a second instance ends at once"
hide $(fc-list :lang=ja file | sed 's/: *$//')
rm -rf "$HOME/.cache/fontconfig" "$work"/fontconfig/*   # the font folders' times are unchanged
[ -z "$(fc-list :lang=ja)" ] || e2e_fail "a Japanese font is still installed: $(fc-list :lang=ja)"
e2e_start "$program"
first=$E2E_APP
wid=$(e2e_wait_window "$main_title")
e2e_wait "the carried Japanese font in use" maps_font "$E2E_APP" "$program/fonts/ipagp.ttf"
e2e_geometry "$wid"
small=$W_H
e2e_focus "$wid"
locked=$(e2e_look "$wid")
e2e_type "star gate"; e2e_key Return
e2e_wait "the grid to show" e2e_look_differs "$wid" "$locked"
e2e_type "open sesame"; e2e_key Return
e2e_wait "the window to grow" bash -c "source '$here/../e2e/lib/x_session.sh'; e2e_geometry $wid; [ \$W_H -gt $small ]"
e2e_click_twips "$wid" "${display[@]}"
e2e_click_twips "$wid" "${display[@]}"
e2e_click_twips "$wid" "${edit[@]}"
e2e_click_px "$wid" "${first_value_cell[@]}"
e2e_type "carried@example.org"
e2e_click_twips "$wid" "${save[@]}"
e2e_wait "the backup on the stick" test -f "$program/Tamblet1.csv"
e2e_start "$program"
e2e_expect_exit 0
E2E_APP=$first
check_libraries "$E2E_APP"
close "$wid"
e2e_expect_exit 0

echo "-- started through a symbolic link: log in and copy the saved value"
ln -s "$program/dravesse" "$work/dravesse link"
"$work/dravesse link" >>"$E2E_TMP/app.log" 2>&1 &
E2E_APP=$!
E2E_PIDS+=($E2E_APP)
wid=$(e2e_wait_window "$main_title")
e2e_log_in_and_copy_first "$wid" "star gate"
e2e_wait "the value on the clipboard" e2e_clipboard_is "carried@example.org"
close "$wid"
e2e_expect_exit 0

[ ! -e "$DRAVESSE_PLANTED_MARKER" ] || e2e_fail "the plugin planted in the folder was loaded"
rm -r "$program/platformthemes"

echo "-- nothing written but the table, its backup, fontconfig's cache and the runtime folder"
[ "$(ls "$program" | tr '\n' ' ')" = "Tamblet.csv Tamblet1.csv dravesse fonts lib licenses qt.conf " ] ||
    e2e_fail "the program folder holds: $(ls "$program" | tr '\n' ' ')"
written="$(find "$HOME" "$TMPDIR" "$work/cwd" -mindepth 1 | grep -v "^$HOME/.cache\(/fontconfig\(/.*\)\?\)\?$" || true)"
[ -z "$written" ] || e2e_fail "written outside the stick: $written"
echo "PASS"
