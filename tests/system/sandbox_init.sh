#!/bin/sh
# Runs as PID 1 of a fresh mount, network and PID namespace (see sandbox.py).
# Everything mounted here disappears with the namespace; the host never
# sees it.
set -e
stage=$1

mount --make-rprivate /
mount -t tmpfs lumo-stage "$stage"

# /usr and /etc: the host's files, with every change going into the stage.
for dir in usr etc; do
  mkdir -p "$stage/$dir/upper" "$stage/$dir/work"
  mount -t overlay overlay \
    -o "lowerdir=/$dir,upperdir=$stage/$dir/upper,workdir=$stage/$dir/work" "/$dir"
done

# Directories the installer and CUPS write into start empty.
for dir in /opt /var/log /var/tmp /tmp /run /var/spool/cups /var/cache/cups /root /srv /mnt; do
  [ -d "$dir" ] && mount -t tmpfs -o mode=0755 lumo-sandbox "$dir"
done
chmod 1777 /tmp /var/tmp

# A private /dev holding only the usual character devices, so nothing done
# inside can touch the host's device nodes.
mkdir -p "$stage/dev"
mount -t tmpfs -o mode=0755 lumo-dev "$stage/dev"
for node in null zero full random urandom tty; do
  touch "$stage/dev/$node"
  mount --bind "/dev/$node" "$stage/dev/$node"
done
mkdir "$stage/dev/pts" "$stage/dev/shm"
ln -s /proc/self/fd "$stage/dev/fd"
ln -s /proc/self/fd/0 "$stage/dev/stdin"
ln -s /proc/self/fd/1 "$stage/dev/stdout"
ln -s /proc/self/fd/2 "$stage/dev/stderr"
mount --move "$stage/dev" /dev
mount -t tmpfs -o mode=1777 lumo-shm /dev/shm
mkdir -p /run/cups /var/log/cups

# Everything else of the host's file system is read-only in here, so a
# stray write fails instead of reaching the host.
mount -o remount,bind,ro /

ip link set lo up

echo ready
# Stay as the namespace's init, reaping whatever is orphaned to it.
exec /usr/bin/python3 -c '
import os, time
while True:
    try:
        os.wait()
    except ChildProcessError:
        time.sleep(0.2)
'
