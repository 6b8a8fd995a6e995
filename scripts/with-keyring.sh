#!/usr/bin/env bash
# Runs a command on a private session bus with an unlocked GNOME Keyring of its own (its files in a
# throwaway folder), so that the tests of remembered passwords have a Secret Service to talk to.
# Without dbus-run-session or gnome-keyring-daemon the command runs as it is.
set -u
if [[ -z ${MV_KEYRING_SESSION:-} ]]; then
    if ! command -v dbus-run-session >/dev/null || ! command -v gnome-keyring-daemon >/dev/null; then
        exec "$@"
    fi
    export MV_KEYRING_SESSION=1
    exec dbus-run-session -- "$0" "$@"
fi
data=$(mktemp -d /tmp/mv-keyring-XXXXXX)
trap 'rm -rf "$data"' EXIT
# The password creates and unlocks the "login" keyring, the default collection (an empty one would
# make the daemon ask on screen whether to keep passwords unencrypted).
printf 'morvenda-test' | XDG_DATA_HOME=$data gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1 ||
    echo "warning: gnome-keyring-daemon did not start; the keyring tests are skipped" >&2
"$@"
