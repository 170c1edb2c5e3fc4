#!/bin/sh
# Runs a command with a small disk of its own: a tmpfs of SIZE (as mount
# takes it: 4m), its folder named in TARVIO_SMALL_DISK, in a mount namespace
# of the command's own (a user namespace too, for any user but root). Where
# the system allows neither, the command runs without the variable.
#   on-small-disk.sh SIZE COMMAND [ARGUMENTS...]
set -eu
size=$1
shift
if [ -n "${TARVIO_SMALL_DISK:-}" ]; then
    # Inside the namespace: the disk, then the command.
    mount -t tmpfs -o "size=$size,mode=0777" tarvio-small-disk "$TARVIO_SMALL_DISK"
    exec "$@"
fi
if [ -n "${TARVIO_OWN_MOUNTS:-}" ]; then
    # scripts/build-windows runs the tests and wine's server in a mount
    # namespace of their own: mounted there, wine's server sees it too.
    disk=$(mktemp -d "${TMPDIR:-/tmp}/tarvio-small-disk-XXXXXX")
    mount -t tmpfs -o "size=$size,mode=0777" tarvio-small-disk "$disk"
    status=0
    TARVIO_SMALL_DISK=$disk "$@" || status=$?
    umount "$disk"
    rmdir "$disk"
    exit "$status"
fi
disk=$(mktemp -d "${TMPDIR:-/tmp}/tarvio-small-disk-XXXXXX")
userns=
[ "$(id -u)" -eq 0 ] || userns=--map-root-user
status=0
# shellcheck disable=SC2086 # userns is one word or none
if unshare --mount $userns true 2>/dev/null; then
    TARVIO_SMALL_DISK=$disk unshare --mount --propagation private $userns "$0" "$size" "$@" ||
        status=$?
else
    echo "on-small-disk.sh: no mount namespace here; running without a small disk" >&2
    "$@" || status=$?
fi
rmdir "$disk"
exit "$status"
