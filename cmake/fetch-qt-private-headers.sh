#!/bin/sh
# Puts the few QtWaylandClient private headers the layer shell builds against into
# DEST/<Qt version>/QtWaylandClient/private, taken from Debian's source package of exactly
# the installed qt6-wayland. Uses a private apt configuration with a deb-src entry, so the
# system's sources are left alone. Fails (and the build goes without the layer shell) when
# offline or when the versions do not match.
set -eu
dest=${1:?destination folder}
version=$(dpkg-query -W -f='${Version}' libqt6waylandclient6)
upstream=${version%-*}
upstream=${upstream#*:}
out="$dest/$upstream/QtWaylandClient/private"
[ -f "$out/qwaylandshellsurface_p.h" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts" "$work/src"
. /etc/os-release
cat > "$work/parts/deb-src.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt="-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=$work/parts
    -o Dir::State::Lists=$work/lists -o Dir::Cache=$work/cache -o APT::Sandbox::User=root"
# shellcheck disable=SC2086
apt-get $apt -qq update
# shellcheck disable=SC2086
(cd "$work/src" && apt-get $apt -qq source --download-only "qt6-wayland=$version")
tar -C "$work/src" -xf "$work"/src/qt6-wayland_"$upstream".orig.tar.* --wildcards \
    '*/src/client/qwaylandshellsurface_p.h' \
    '*/src/client/shellintegration/qwaylandshellintegration_p.h' \
    '*/src/client/shellintegration/qwaylandshellintegrationplugin_p.h'
mkdir -p "$out.tmp"
find "$work/src" -name '*_p.h' -exec cp {} "$out.tmp/" \;
rm -rf "$out" && mv "$out.tmp" "$out"
echo "QtWaylandClient $upstream private headers in $out"
