#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks it as a user would meet it:
# lintian finds no error, it unpacks to the installed layout, and its programs run from there.
# Usage: scripts/package-check.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/sievra_*.deb | head -1)
echo "package: $deb"

# Errors fail the check; warnings are shown.
lintian --fail-on error "$deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
id=org.sievra.Sievra
expected=(
  usr/bin/sievra usr/bin/sievra-wizard usr/bin/sievra-pass usr/bin/sievra-settings
  usr/bin/sievra-history
  usr/share/sievra/help/index.html
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$id.svg"
  usr/share/man/man1/sievra.1.gz usr/share/man/man1/sievra-pass.1.gz
  usr/share/man/man1/sievra-settings.1.gz usr/share/man/man1/sievra-wizard.1.gz
  usr/share/man/man1/sievra-history.1.gz
  usr/lib/systemd/user/sievra-pass.service usr/lib/systemd/user/sievra-pass.timer
  usr/share/doc/sievra/copyright
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
for path in "${expected[@]}"; do
  [ -f "$root/$path" ] || { echo "missing from the package: /$path"; exit 1; }
done
if [ -e "$root/usr/bin/wizard" ]; then
  echo "the package must not put a generic name in /usr/bin"
  exit 1
fi
grep -qx "ExecStart=/usr/bin/sievra-pass" "$root/usr/lib/systemd/user/sievra-pass.service"
"$root/usr/bin/sievra-pass" --version
echo "package checked: $(dpkg-deb -f "$deb" Package Version Depends | tr '\n' ' ')"
