#!/bin/sh
# Runs a command under Xvfb, a session bus and at-spi2-core's accessibility
# bus, with Qt's accessibility on.
#   on-accessibility-bus.sh COMMAND [ARGUMENTS...]
set -eu
if [ -z "${TARVIO_ON_ACCESSIBILITY_BUS:-}" ]; then
    unset AT_SPI_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS
    export TARVIO_ON_ACCESSIBILITY_BUS=1
    exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" dbus-run-session -- "$0" "$@"
fi
# What the bus and its registry say goes to stderr: stdout is the command's.
/usr/libexec/at-spi-bus-launcher --launch-immediately >&2 &
launcher=$!
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
kill "$launcher" 2>/dev/null || true
wait "$launcher" 2>/dev/null || true
exit "$status"
