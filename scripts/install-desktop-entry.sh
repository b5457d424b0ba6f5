#!/bin/sh
# Installs the desktop entries of the program for the current user, so that
# "tolvane:" links, vCard files and the two Services actions reach it:
# copies resources/tolvane.desktop into $XDG_DATA_HOME/applications (by
# default ~/.local/share/applications) and makes it the default handler of
# the "tolvane" URL scheme. Beside it goes resources/tolvanecard.desktop,
# which offers "Prepare label in Tolvane for Mac" among the programs that
# open a vCard file (the "tolvanecard" helper, found on PATH like
# "tolvane"). Needs desktop-file-utils and xdg-utils.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
entry="$here/resources/tolvane.desktop"
card_entry="$here/resources/tolvanecard.desktop"
target="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
desktop-file-validate "$entry"
desktop-file-validate "$card_entry"
mkdir -p "$target"
desktop-file-install --dir="$target" "$entry"
desktop-file-install --dir="$target" "$card_entry"
update-desktop-database "$target" 2>/dev/null || true
xdg-mime default tolvane.desktop x-scheme-handler/tolvane
