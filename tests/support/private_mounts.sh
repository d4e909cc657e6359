#!/bin/sh
# Runs a test binary in a mount namespace of its own, so the FUSE mounts its tests stop (and the
# tmpfs they lay over /media) are seen by no other process: one that read the mount table and
# looked at them would hang. Where no such namespace can be made (not root), the binary runs as
# it is and the tests that need one skip, saying why.
VIRESKA_OUTER_MOUNT_NS=$(readlink /proc/self/ns/mnt)
export VIRESKA_OUTER_MOUNT_NS
if unshare --mount --propagation private true 2>/dev/null; then
  exec unshare --mount --propagation private "$@"
fi
exec "$@"
