#!/bin/sh
# Puts Spiderfence in the desktop's application menu for the current user: the desktop entry and the
# icons go under ~/.local/share (or $XDG_DATA_HOME), pointing at the folder this script is in.
# Run it again after moving the folder. "--remove" takes the entry and the icons away. No root needed.
set -eu

id=example.spiderfence.Spiderfence
here=$(cd "$(dirname "$0")" && pwd -P)
data=${XDG_DATA_HOME:-$HOME/.local/share}
entry=$data/applications/$id.desktop
icons=$data/icons/hicolor
sizes="48 128 256"

refresh() {
    if command -v update-desktop-database >/dev/null 2>&1; then
        update-desktop-database -q "$data/applications" 2>/dev/null || true
    fi
    if command -v gtk-update-icon-cache >/dev/null 2>&1 && [ -f "$icons/index.theme" ]; then
        gtk-update-icon-cache -q -t "$icons" 2>/dev/null || true
    fi
}

case "${1:-}" in
--remove)
    rm -f "$entry" "$icons/scalable/apps/$id.svg"
    for size in $sizes; do rm -f "$icons/${size}x$size/apps/$id.png"; done
    refresh
    echo "Spiderfence is no longer in the application menu."
    exit 0
    ;;
"") ;;
*)
    echo "usage: $0 [--remove]" >&2
    exit 2
    ;;
esac

case "$here" in
*"
"*)
    echo "The folder's path holds a line break; move the folder and run this again." >&2
    exit 1
    ;;
esac

# Exec takes the program's path in double quotes, with \ " ` $ escaped and % doubled; as a value of
# the desktop entry, each backslash is then written twice. Path is a plain value.
quoted=$(printf '%s' "$here/spiderfence" | sed -e 's/[\\"`$]/\\&/g' -e 's/%/%%/g' -e 's/\\/\\\\/g')
folder=$(printf '%s' "$here" | sed -e 's/\\/\\\\/g')

mkdir -p "$data/applications" "$icons/scalable/apps"
install -m 644 "$here/icons/spiderfence.svg" "$icons/scalable/apps/$id.svg"
for size in $sizes; do
    mkdir -p "$icons/${size}x$size/apps"
    install -m 644 "$here/icons/spiderfence-$size.png" "$icons/${size}x$size/apps/$id.png"
done
SF_EXEC=$quoted SF_PATH=$folder awk '
    /^(Exec|TryExec|Path)=/ { next }
    { print }
    /^\[Desktop Entry\]$/ { print "Exec=\"" ENVIRON["SF_EXEC"] "\""; print "Path=" ENVIRON["SF_PATH"] }
' "$here/$id.desktop" >"$entry.new"
chmod 644 "$entry.new"
mv "$entry.new" "$entry"
refresh
echo "Spiderfence is in the application menu; it starts $here/spiderfence."
