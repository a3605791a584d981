#!/usr/bin/env bash
# The self-contained program folder (scripts/bundle) runs on a desktop that has never seen Qt: a
# bare Debian 12 root (debootstrap's minbase) with only the libraries the folder may take from the
# machine (packaging/system_libs.sh), the test's X server's and compositor's sockets bound into it.
# There, on X11 (Xvfb), from a folder with blanks in its path on a FAT image: the first start
# creates the table; the next logs in, saves (a backup appears) and refuses a second instance; a
# start through a symbolic link copies the saved value to the clipboard. Every library the program
# maps from outside its folder must be one of the machine's; the Japanese captions use an installed
# font while there is one, and the carried one otherwise. Nothing is written in the root but the
# table, its backup, fontconfig's cache and the runtime folder. Then on Wayland (sway): a second
# copy of the folder creates a table by keyboard, logs in and copies a value. A plugin planted in
# the folder (platformthemes/) is never loaded.
# The root is made once and kept under the build folder, named by what went into it.
# Usage: isolated.sh <source folder> <build folder> <planted plugin>
set -euo pipefail
PATH="$PATH:/usr/sbin:/sbin"   # debootstrap, chroot and mkfs.vfat
here="$(cd "$(dirname "$0")" && pwd)"
repo="$1"
build="$2"
source "$repo/packaging/system_libs.sh"

# Makes the bare root (about 40 s), or finds it made; prints its folder.
bare_root() {
    local key dir mirror
    key="$(echo "bookworm minbase ${system_libs_packages[*]}" | sha256sum | cut -c1-12)"
    dir="$build/bare-root/$key"
    if [ ! -e "$dir/made" ]; then
        rm -rf --one-file-system "$build/bare-root"
        mkdir -p "$dir"
        # From where apt-get fetches, so that it works wherever the test's own packages came from;
        # in a mount namespace of its own, so that what debootstrap mounts in the root (/proc,
        # /sys) goes away with it even when it is stopped half-way.
        mirror="$(apt-get indextargets --format '$(REPO_URI)' 'Created-By: Packages' \
            'Release: bookworm' 2>/dev/null | head -n 1)"
        unshare --mount debootstrap --variant=minbase bookworm "$dir/root" \
            "${mirror:-http://deb.debian.org/debian/}" >"$dir/log" 2>&1 ||
            { tail -n 20 "$dir/log" >&2; return 1; }
        chroot "$dir/root" sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -qq --no-install-recommends ${system_libs_packages[*]} && apt-get clean" \
            >>"$dir/log" 2>&1 || { tail -n 20 "$dir/log" >&2; return 1; }
        touch "$dir/made"
    fi
    echo "$dir/root"
}

if [ -z "${BUNDLE_WORK:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "SKIP: making and entering the bare root needs root"; exit 77; }
    [ -r /dev/fuse ] && [ -w /dev/fuse ] || { echo "SKIP: /dev/fuse is missing or not open to this user"; exit 77; }
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    "$repo/scripts/bundle" "$work/out" >"$work/bundle.log" 2>&1 || { tail -n 40 "$work/bundle.log" >&2; exit 1; }
    folder_mb=$(($(du -sb "$work/out/dravesse" | cut -f1) / 1000000))
    archive_mb=$(($(stat -c %s "$work"/out/dravesse-*-x86_64.tar.gz) / 1000000))
    echo "-- the folder holds $folder_mb MB, the archive $archive_mb MB"
    [ "$folder_mb" -lt 80 ] || { echo "FAIL: the folder is over 80 MB" >&2; exit 1; }
    [ "$archive_mb" -lt 35 ] || { echo "FAIL: the archive is over 35 MB" >&2; exit 1; }
    # The folder's stripped executable is hardened as the build is.
    "$repo/scripts/check-hardening" "$work/out/dravesse/dravesse"
    root="$(bare_root)"
    BUNDLE_WORK="$work" BUNDLE_ROOT="$root" unshare --mount bash "$0" "$@"
    exit 0
fi

source "$here/../e2e/lib/x_session.sh"
source "$here/../e2e/lib/wayland_session.sh"
work="$BUNDLE_WORK"
root="$work/root"
stick="$root/media/USB stick"
program="$stick/My Programs/dravesse"
table="$program/Tamblet.csv"
main_title=".*Dravesse.*Ver .*"
create_save=(6577 1087)   # twips in the windows, as in the full end-to-end test
display=(907 3457)
edit=(3607 3457)
save=(7657 3457)
first_value_cell=(185 67) # pixels

e2e_begin
wl_begin

# The kept root stays as made: this run writes into a layer over it, which shows what was written.
mkdir "$root" "$work/upper" "$work/layer-work"
mount -t overlay overlay -o "lowerdir=$BUNDLE_ROOT,upperdir=$work/upper,workdir=$work/layer-work" "$root"
mount --bind /proc "$root/proc"
mount --rbind /dev "$root/dev"
mkdir -p "$root/tmp/.X11-unix" "$root/run/sway" "$stick" "$root/usr/share/fonts/installed-ja"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
mount --bind "$WL_RUNTIME" "$root/run/sway"
mkdir -m 700 -p "$root/run/user/0"
truncate -s 160M "$work/stick.img"
/usr/sbin/mkfs.vfat "$work/stick.img" >/dev/null
fusefat -o rw+ "$work/stick.img" "$stick" >"$work/fusefat.log" 2>&1
trap 'e2e_cleanup; fusermount -u "$stick" 2>/dev/null || true' EXIT
mkdir "$stick/My Programs"
cp -r "$work/out/dravesse" "$stick/My Programs/"
(cd "$work/upper" && find . | sort) >"$work/before"
mkdir "$program/platformthemes"
cp "$3" "$program/platformthemes/"
export DRAVESSE_PLANTED_MARKER=/planted-plugin-loaded   # in the root

# Starts the executable (its path from here) inside the root, with any variables given after it;
# its pid is in E2E_APP, as chroot and env replace themselves with it.
start_in_root() {
    local executable="${1#"$root"}"
    shift
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 XDG_RUNTIME_DIR=/run/user/0 \
        DISPLAY="$DISPLAY" DRAVESSE_PLANTED_MARKER="$DRAVESSE_PLANTED_MARKER" "$@" "$executable" \
        >>"$E2E_TMP/app.log" 2>&1 &
    E2E_APP=$!
    E2E_PIDS+=($E2E_APP)
}

# Every shared library the program (pid, folder) has mapped from outside its folder is one the
# machine provides.
check_libraries() {
    local pairs system name file
    pairs="$(sed -E 's/^([^ ]+ +){5}//' "/proc/$1/maps" | grep -E '\.so(\.[0-9]+)*$' | grep -vF "$2/" |
        sort -u | while read -r file; do
            name="$(objdump -p "$file" | awk '$1 == "SONAME" {print $2}')"
            echo "${name:-$(basename "$file")} $file"
        done)"
    system="$(system_libs <<<"$pairs")"
    while read -r name file; do
        grep -qxF "$name" <<<"$system" || e2e_fail "$file was loaded from outside the folder"
    done <<<"$pairs"
}
# Waits until the condition holds; if the program ends first (a library missing in the root, say),
# fails at once with what it printed.
wait_started() {
    e2e_wait "$1" started_or_ended "${@:2}"
    ! e2e_not_running "$E2E_APP" || e2e_fail "the program ended: $(tail -n 5 "$E2E_TMP/app.log")"
}
started_or_ended() { "$@" || e2e_not_running "$E2E_APP"; }
maps_font() { grep -qF "$2" "/proc/$1/maps"; }
close() { e2e_focus "$1"; e2e_key alt+F4; }

echo "-- X11, first start from the stick, a Japanese font installed: the table is made there"
mount --bind "$(dirname "$(fc-list -f '%{file}\n' ':family=IPAPGothic' | head -n 1)")" \
    "$root/usr/share/fonts/installed-ja"
start_in_root "$program/dravesse"
wait_started "the create dialog" e2e_has_window "Create Tamblet"
wid=$(e2e_window "Create Tamblet")
check_libraries "$E2E_APP" "$program"
e2e_wait "the installed Japanese font in use" maps_font "$E2E_APP" "$root/usr/share/fonts/installed-ja/"
! maps_font "$E2E_APP" "$program/fonts/" || e2e_fail "the carried font is used beside an installed one"
e2e_focus "$wid"
e2e_key Return Return
e2e_type "star gate"; e2e_key Return
e2e_type "open sesame"; e2e_key Return
e2e_type "moon"; e2e_key Return
e2e_click_twips "$wid" "${create_save[@]}"
e2e_expect_exit 0
[ -f "$table" ] || e2e_fail "Tamblet.csv was not written on the stick"

echo "-- no Japanese font: log in, edit, save; a second instance ends at once"
umount "$root/usr/share/fonts/installed-ja"
rm -rf "$root/root/.cache/fontconfig" "$root/var/cache/fontconfig"/*
start_in_root "$program/dravesse"
first=$E2E_APP
wait_started "the main window" e2e_has_window "$main_title"
wid=$(e2e_window "$main_title")
e2e_wait "the carried Japanese font in use" maps_font "$E2E_APP" "$program/fonts/ipagp.ttf"
e2e_log_in_and_unlock "$wid"
e2e_click_twips "$wid" "${display[@]}"
e2e_click_twips "$wid" "${display[@]}"
e2e_click_twips "$wid" "${edit[@]}"
e2e_click_px "$wid" "${first_value_cell[@]}"
e2e_type "carried@example.org"
e2e_click_twips "$wid" "${save[@]}"
e2e_wait "the backup on the stick" test -f "$program/Tamblet1.csv"
start_in_root "$program/dravesse"
e2e_expect_exit 0
E2E_APP=$first
check_libraries "$E2E_APP" "$program"
close "$wid"
e2e_expect_exit 0

echo "-- started through a symbolic link: log in and copy the saved value"
ln -s "${program#"$root"}/dravesse" "$root/root/dravesse link"
start_in_root "$root/root/dravesse link"
wait_started "the main window" e2e_has_window "$main_title"
wid=$(e2e_window "$main_title")
e2e_log_in_and_copy_first "$wid" "star gate"
e2e_wait "the value on the clipboard" e2e_clipboard_is "carried@example.org"
close "$wid"
e2e_expect_exit 0

[ ! -e "$root$DRAVESSE_PLANTED_MARKER" ] || e2e_fail "the plugin planted in the folder was loaded"
rm -r "$program/platformthemes"

echo "-- nothing written but the table, its backup, fontconfig's cache and the runtime folder"
[ "$(ls "$program" | tr '\n' ' ')" = "Tamblet.csv Tamblet1.csv dravesse fonts lib licenses qt.conf " ] ||
    e2e_fail "the program folder holds: $(ls "$program" | tr '\n' ' ')"
written="$(cd "$work/upper" && find . | sort | comm -13 "$work/before" - |
    grep -vE '^\./(root(/\.cache(/fontconfig(/.*)?)?)?|var(/cache(/fontconfig(/.*)?)?)?|run/user/0/.*|root/dravesse link)$' ||
    true)"
[ -z "$written" ] || e2e_fail "written in the root: $written"

echo "-- Wayland: a copy of the folder makes a table by keyboard, logs in and copies a value"
cp -r "$work/out/dravesse" "$root/opt/"
start_in_root "$root/opt/dravesse/dravesse" QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=/run/sway/wayland-1
wait_started "the program's window to hold the keyboard" program_has_keyboard
wl_key Tab Tab
wtype "${wl_settle[@]}" -d 30 "star gate" -k Tab -d 30 "open sesame" -k Tab -d 30 "moon"
wl_key Tab Tab Tab Tab Tab Tab Tab space   # past five title boxes and Close to Save
e2e_expect_exit 0
[ -f "$root/opt/dravesse/Tamblet.csv" ] || e2e_fail "the table was not made on Wayland"
start_in_root "$root/opt/dravesse/dravesse" QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=/run/sway/wayland-1
wait_started "the program's window to hold the keyboard" program_has_keyboard
check_libraries "$E2E_APP" "$root/opt/dravesse"
wl_enter "star gate"
wl_key shift+Tab Down Down Down Down Down Right ctrl+c   # grid row 6, column 2: the password
wl_wait_clipboard "star gate"
wl_close
e2e_expect_exit 0
echo "PASS"
