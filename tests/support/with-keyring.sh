#!/bin/sh
# Runs a test program against a desktop keyring of its own: a private session bus with
# gnome-keyring-daemon's Secret Service, unlocked with a test password, in a private home.
# Nothing of the user's own keyring or home is touched.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 0700 "$home/runtime"
export HOME="$home" XDG_RUNTIME_DIR="$home/runtime" XDG_DATA_HOME="$home/data" \
  XDG_CONFIG_HOME="$home/config"
unset DBUS_SESSION_BUS_ADDRESS
exec dbus-run-session -- sh -c '
  printf %s sievra-test | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  exec "$@"' keyring "$@"
