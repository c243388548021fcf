#!/bin/bash
# Builds the .deb, unpacks it into a clean folder and runs the binary from there.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >/dev/null) || fail "cpack failed"
deb=$(ls "$out"/*.deb)
[ "$(dpkg-deb -f "$deb" Package)" = corvina ] || fail "wrong package name"
[ "$(dpkg-deb -f "$deb" Version)" = "@PROJECT_VERSION@" ] || fail "wrong version"
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 libqt6svg6 libicu72 qt6-qpa-plugins qt6-wayland fonts-inter \
    fonts-quicksand fonts-noto-core; do
    grep -q "$dependency" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done
# Built against private Qt headers, the layer shell needs exactly that Qt.
if [ "@CORVINA_LAYER_SHELL@" = ON ]; then
    grep -q "libqt6waylandclient6 (= " <<<"$depends" || fail "Depends does not pin Qt: $depends"
fi

dpkg -x "$deb" "$out/root"
[ -f "$out/root/usr/share/applications/corvina.desktop" ] || fail "no desktop entry in the package"
[ "$("$out/root/usr/bin/corvina" --version)" = "corvina @PROJECT_VERSION@" ] || fail "wrong --version"
echo "package: $(basename "$deb") runs"
