#!/bin/sh
# Runs a command with a tmpfs of SIZE (4m) in TARVIO_SMALL_DISK, in a mount
# namespace of its own (and a user namespace, but for root); where the system
# allows neither, without the variable.
#   on-small-disk.sh SIZE COMMAND [ARGUMENTS...]
# shellcheck disable=SC2086 # userns is one word or none
set -eu
size=$1
shift
if [ -n "${TARVIO_SMALL_DISK:-}" ]; then
    # Inside the namespace: the disk, then the command.
    mount -t tmpfs -o "size=$size,mode=0777" tarvio-small-disk "$TARVIO_SMALL_DISK"
    exec "$@"
fi
disk=$(mktemp -d "${TMPDIR:-/tmp}/tarvio-small-disk-XXXXXX")
userns=
[ "$(id -u)" -eq 0 ] || userns=--map-root-user
status=0
if [ -n "${TARVIO_OWN_MOUNTS:-}" ]; then
    # scripts/build-windows's own mount namespace, which wine's server shares.
    mount -t tmpfs -o "size=$size,mode=0777" tarvio-small-disk "$disk"
    TARVIO_SMALL_DISK=$disk "$@" || status=$?
    umount "$disk"
elif unshare --mount $userns true 2>/dev/null; then
    TARVIO_SMALL_DISK=$disk unshare --mount --propagation private $userns "$0" "$size" "$@" ||
        status=$?
else
    echo "on-small-disk.sh: no mount namespace here; running without a small disk" >&2
    "$@" || status=$?
fi
rmdir "$disk"
exit "$status"
