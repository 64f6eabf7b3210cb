#!/usr/bin/env bash
# Installs what building, running and testing Sievra needs on Debian 12 (run as root).
set -euo pipefail

packages=(
  cmake ninja-build g++ clang-14 libclang-rt-14-dev openssl ca-certificates netbase
  qt6-base-dev qt6-base-dev-tools libsqlite3-dev libssl-dev
  libgtest-dev libgmock-dev pkgconf libgmime-3.0-dev
  xvfb xauth imagemagick netcat-openbsd procps
  dovecot-core dovecot-pop3d python3 python3-aiosmtpd
  scdoc librsvg2-bin file dpkg-dev lintian desktop-file-utils appstream openbox xdotool
  qtkeychain-qt6-dev gnome-keyring libsecret-tools dbus
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The private POP3 test server keeps its mailboxes under a user that is not root.
if ! id sievra-mail >/dev/null 2>&1; then
  useradd --system --user-group --no-create-home --shell /usr/sbin/nologin sievra-mail
fi
