#!/usr/bin/env bash
# The Debian package's program as a player runs it, without installing anything on this
# machine: the package is unpacked into a scratch folder (dpkg-deb -x) whose files nobody but
# their owner may write, and the program there is started by an ordinary user (nobody, when
# this runs as root, since permissions do not bind root) with a home folder of their own.
# two_programs.sh --installed, in a network namespace of its own, then starts it without
# settings, presses "先攻いきます" and finds the settings file in that user's configuration
# folder, and has two of them play a round.
#
#   installed_program.sh DEB X11_PROBE SHOW_MESSAGE_BOX [ARTEFACT_DIR]
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 DEB X11_PROBE SHOW_MESSAGE_BOX [ARTEFACT_DIR]" >&2
  exit 2
fi
deb=$(realpath "$1")
probe=$(realpath "$2")
show_message_box=$(realpath "$3")
artefacts=$(realpath "${4:-$PWD}")
here=$(cd "$(dirname "$0")" && pwd)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/markwick-installed.XXXXXX")
cleanup() {
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP
chmod 755 "$scratch" # the player passes through it

root=$scratch/root
dpkg-deb -x "$deb" "$root"
program=$root/usr/bin/Markwick
[ -x "$program" ] || { echo "FAIL: the package has no usr/bin/Markwick" >&2; exit 1; }
desktop=$root/usr/share/applications/markwick.desktop
grep -qx 'Exec=Markwick' "$desktop" || { echo "FAIL: $desktop does not start Markwick" >&2; exit 1; }
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] ||
  { echo "FAIL: the desktop entry's icon '$icon' is not in the package" >&2; exit 1; }
chmod -R a-w "$root"

# The player's home, with the runtime folder the programs' libraries ask for.
home=$scratch/home
mkdir -p "$home/runtime" "$home/artefacts"
chmod 700 "$home/runtime"
as_player=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$home"
  as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

# The programs bind the real ports: in a network namespace of their own (the player stays an
# ordinary user there).
status=0
sh "$here/../own_network.sh" --keep-user "${as_player[@]}" \
  env -u XDG_CONFIG_HOME -u DBUS_SESSION_BUS_ADDRESS HOME="$home" \
  XDG_RUNTIME_DIR="$home/runtime" TMPDIR="$home" \
  bash "$here/two_programs.sh" --installed "$program" "$probe" "$show_message_box" \
  "$home/artefacts" || status=$?
if compgen -G "$home/artefacts/*.png" >/dev/null; then
  cp "$home"/artefacts/*.png "$artefacts/"
  echo "(the images named above are copied to $artefacts)" >&2
fi
exit "$status"
