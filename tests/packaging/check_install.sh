#!/bin/bash
# Installs the build into a temporary prefix and checks what a desktop needs from it.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$root/usr" >/dev/null
for file in bin/corvina share/applications/corvina.desktop \
    share/icons/hicolor/scalable/apps/corvina.svg share/man/man1/corvina.1; do
    [ -f "$root/usr/$file" ] || fail "$file is not installed"
done
[ -x "$root/usr/bin/corvina" ] || fail "the binary is not executable"

entry=$root/usr/share/applications/corvina.desktop
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
grep -qx 'Categories=Utility;' "$entry" || fail "the desktop entry is not in Utility"
grep -qx 'NoDisplay=false' "$entry" || fail "the desktop entry is hidden"
grep -qx 'Exec=corvina' "$entry" || fail "the desktop entry does not start corvina"
file "$root/usr/share/icons/hicolor/scalable/apps/corvina.svg" | grep -q 'SVG' \
    || fail "the icon is not an SVG"
for option in --toggle --show --hide --quit --autostart --help --version; do
    grep -q -- "${option//-/\\\\-}" "$root/usr/share/man/man1/corvina.1" \
        || fail "the man page does not describe $option"
done

[ "$("$root/usr/bin/corvina" --version)" = "corvina @PROJECT_VERSION@" ] || fail "wrong --version"

export XDG_CONFIG_HOME=$root/config
"$root/usr/bin/corvina" --autostart on >/dev/null || fail "--autostart on failed"
autostart=$XDG_CONFIG_HOME/autostart/corvina.desktop
[ -f "$autostart" ] || fail "--autostart on wrote no entry"
desktop-file-validate "$autostart" || fail "the autostart entry does not validate"
grep -qx "Exec=$root/usr/bin/corvina" "$autostart" || fail "the autostart entry starts something else"
"$root/usr/bin/corvina" --autostart off >/dev/null || fail "--autostart off failed"
[ ! -e "$autostart" ] || fail "--autostart off left the entry"
echo "install: all files in place"
