#!/bin/sh
# Runs a test program on a private session bus of its own, which ends with
# it (dbus-run-session), with TOLVANE_PRIVATE_SESSION_BUS=1 so that the tests
# that need the bus know it is theirs. Exit status 77 (skipped) where
# dbus-run-session is not installed.
if ! command -v dbus-run-session >/dev/null 2>&1; then
    echo "skipped: dbus-run-session is not installed"
    exit 77
fi
exec dbus-run-session -- env TOLVANE_PRIVATE_SESSION_BUS=1 "$@"
