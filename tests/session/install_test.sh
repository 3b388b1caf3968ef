#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a player gets:
# the desktop entry's executable and icon are in the tree, the installed
# game started from another folder finds its data, and where the
# executable's folder is not writable the configuration file goes to
# $XDG_CONFIG_HOME/grapple/.
#   install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"  # another user runs the game below
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > /dev/null

fail() { echo "$*"; exit 1; }
entry="$prefix/share/applications/grapple.desktop"
[ -f "$entry" ] || fail "no desktop entry"
field() { sed -n "s/^$1=//p" "$entry"; }
executable=$(field Exec)
[ "$executable" = "$prefix/bin/grapple" ] && [ -x "$executable" ] || fail "Exec=$executable is not the installed game"
[ -f "$prefix/share/icons/hicolor/256x256/apps/$(field Icon).png" ] || fail "Icon=$(field Icon) is not installed"
[ -d "$(field Path)/data/char" ] || fail "Path=$(field Path) holds no data"

# Started elsewhere, the installed game plays a short recording without a
# missing file.
mkdir "$work/elsewhere"
printf 'version %s\nseed 3\nmode fixed\nsize 160x120\nfocus yes\n5 key down UP\n30 end\n' "$version" > "$work/short.rec"
status=0
(cd "$work/elsewhere" && "$executable" --replay "$work/short.rec") > "$work/run.log" 2>&1 || status=$?
[ "$status" -eq 1 ] || { cat "$work/run.log"; fail "exit status $status"; }
if grep -q "Error" "$work/run.log"; then cat "$work/run.log"; fail "the installed game missed its data"; fi

# The configuration file: beside a writable executable, else in the user's
# configuration folder.
"$executable" --help | grep -q "stores it there: $prefix/bin/grapple.cfg" || fail "not beside a writable executable"
chmod a-w "$prefix/bin"
as_other=()
if [ "$(id -u)" -eq 0 ]; then as_other=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi
XDG_CONFIG_HOME="$work/xdg" "${as_other[@]}" "$executable" --help > "$work/help.txt"
grep -q "stores it there: $work/xdg/grapple/grapple.cfg" "$work/help.txt" || { cat "$work/help.txt"; fail "not in XDG_CONFIG_HOME"; }
echo "installed, found its data from elsewhere, configuration where it can be written"
