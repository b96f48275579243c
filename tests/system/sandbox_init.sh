#!/bin/sh
# Runs as PID 1 of a fresh mount, network and PID namespace (see sandbox.py),
# and of a UTS namespace when a host name follows the stage.  Everything
# mounted here disappears with the namespace; the host never sees it.
set -e
stage=$1
name=${2:-}

mount --make-rprivate /
mount -t tmpfs lumo-stage "$stage"

# Real root (in the first user namespace) owns every file; in a user
# namespace of a developer the host's root-owned files stay unwritable.
if grep -q '^ *0 *0 *4294967295$' /proc/self/uid_map; then real_root=1; else real_root=; fi

# /usr and /etc as root: the host's files, with every change going into the
# stage.
if [ "$real_root" ]; then
  for dir in usr etc; do
    mkdir -p "$stage/$dir/upper" "$stage/$dir/work"
    mount -t overlay overlay \
      -o "lowerdir=/$dir,upperdir=$stage/$dir/upper,workdir=$stage/$dir/work" "/$dir"
  done
fi

# Directories the installer and CUPS write into start empty.
for dir in /opt /var/log /var/tmp /tmp /run /var/spool/cups /var/cache/cups /root /srv /mnt; do
  [ -d "$dir" ] && mount -t tmpfs -o mode=0755 lumo-sandbox "$dir"
done
chmod 1777 /tmp /var/tmp

# /usr and /etc in a user namespace: an overlay would keep the host's
# owner, so /etc becomes a copy of what the developer can read, and the
# directories of /usr that tests change become directories of links to the
# host's files (seen at /run/lumo-host/usr), whose links can be replaced.
# Each farm is built aside, then bound in place whole, so the libraries in
# /usr/lib never go missing for a moment.
if [ -z "$real_root" ]; then
  host=/run/lumo-host
  farms=/run/lumo-farm
  mkdir -p "$stage/etc" "$host/usr" "$farms"
  cp -a /etc/. "$stage/etc/" 2>/dev/null || true
  mount --bind "$stage/etc" /etc
  mount --bind /usr "$host/usr"
  for dir in /usr/bin /usr/sbin /usr/lib /usr/lib/cups /usr/lib/cups/filter /usr/local \
             /usr/local/bin /usr/local/sbin /usr/local/lib /usr/local/share /usr/share /usr/share/cups \
             /usr/share/cups/data /usr/share/doc; do
    [ -d "$dir" ] || continue
    rm -f "$farms$dir"
    mkdir -p "$farms$dir"
    for entry in "$host$dir"/* "$host$dir"/.[!.]*; do
      [ -e "$entry" ] || [ -L "$entry" ] || continue
      ln -s "$entry" "$farms$dir/${entry##*/}"
    done
  done
  for dir in /usr/bin /usr/sbin /usr/lib /usr/local /usr/share; do
    mount --bind "$farms$dir" "$dir"
  done
fi

# The host's printing files, masked so that every test starts from the same
# print server whatever the host has installed: its foomatic-rip programs,
# its PPD files with CUPS's model and driver directories, the test pages and
# documents that tell a CUPS version, and its queues (/etc/cups starts as
# the CUPS package's defaults, with no queue).  A test that needs one of
# them places it itself.
for path in /usr/bin/foomatic-rip /usr/sbin/foomatic-rip /usr/local/bin/foomatic-rip \
            /usr/lib/cups/filter/foomatic-rip /usr/local/lib/cups/filter/foomatic-rip \
            /usr/share/ppd /usr/local/share/ppd /usr/ppd /usr/share/foomatic \
            /usr/share/cups/model /usr/local/share/cups/model /usr/share/cups/drv \
            /usr/lib/cups/driver /usr/share/cups/data/testprint /usr/share/cups/data/testprint.ps \
            /usr/share/cups/doc /etc/cups /etc/printcap; do
  # In a user namespace a path under a farm's link is the host's own.
  case $(realpath -m "${path%/*}") in /run/lumo-host/*) continue ;; esac
  rm -rf "$path"
done
mkdir -p /etc/cups/ssl /etc/cups/ppd
for conf in cupsd.conf cups-files.conf; do
  cp "/usr/share/cups/$conf.default" "/etc/cups/$conf"
done
if [ "$real_root" ]; then
  chgrp lp /etc/cups /etc/cups/ppd /etc/cups/cupsd.conf /etc/cups/cups-files.conf
fi

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
# /run/lock, which every user may write, as on a real machine.
mkdir -m 1777 /run/lock

# Everything else of the host's file system is read-only in here, so a
# stray write fails instead of reaching the host.
mount -o remount,bind,ro /

ip link set lo up
if [ -n "$name" ]; then
  hostname "$name"
  echo "$name" > /etc/hostname
fi

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
