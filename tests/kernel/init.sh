#!/bin/busybox sh
# shellcheck shell=dash
# shellcheck disable=SC2154  # node_* and pid_* are set through eval
# /init of the kernel test's initramfs. Loads the HID modules, then runs the
# cases one after the other, each with virtual devices of its own, and writes
# a transcript to the second serial port (ttyS1): a "== name" line per case,
# then what the kernel and fsprog showed. The host compares it with
# expected.txt. The console (ttyS0) keeps the kernel's own messages.
#
# Every case removes its devices before the next one starts, so each begins
# with no hidraw node and the numbers it sees are the same in every run.

/bin/busybox mount -t proc proc /proc
/bin/busybox --install -s /bin
export PATH=/bin
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp

stty -F /dev/ttyS1 raw -echo
exec 3>/dev/ttyS1

say() { echo "$*" >&3; }

# Prints a file for the transcript, each line behind "  | " (a blank line
# as "  |"), so that blank lines and the last line's end stay visible.
show_text() {
  if [ ! -s "$1" ]; then
    say "  (nothing)"
    return
  fi
  sed -e 's/^$/  |/' -e t -e 's/^/  | /' "$1" >&3
  if [ "$(tail -c 1 "$1" | od -An -tx1 | tr -d ' ')" != 0a ]; then
    echo >&3
    say "  (no line end after the last line)"
  fi
}

# start_device TAG [OPTIONS...]: creates a virtual foot switch named TAG,
# waits until its hidraw node is there and records the node's name in
# node_TAG and the helper's process id in pid_TAG.
start_device() {
  local tag=$1
  shift
  virtual-footswitch --tag "$tag" --log "/tmp/$tag.log" "$@" 3>&- &
  eval "pid_$tag=$!"
  local tries=0 uevent=
  # The node appears asynchronously: the kernel binds hid-generic to the new
  # device and only then creates the hidraw node and its /dev entry.
  while :; do
    uevent=$(grep -l "^HID_UNIQ=$tag\$" /sys/class/hidraw/hidraw*/device/uevent 2>/dev/null)
    if [ -n "$uevent" ]; then
      local node=${uevent#/sys/class/hidraw/}
      node=${node%%/*}
      if [ -c "/dev/$node" ]; then
        eval "node_$tag=$node"
        return 0
      fi
    fi
    tries=$((tries + 1))
    if [ $tries -gt 1000 ]; then
      say "device $tag: no hidraw node after 10 s"
      eval "node_$tag=none"
      return 1
    fi
    usleep 10000
  done
}

stop_device() {
  local pid
  eval "pid=\$pid_$1"
  kill "$pid" 2>/dev/null
  wait "$pid"
}

# The node of a device, its mode and owner as /dev shows them.
show_node() {
  local node
  eval "node=\$node_$1"
  say "node of $1: $node $(stat -c '%A owner %u' "/dev/$node" 2>&1)"
}

show_device_log() {
  say "reports received by $1:"
  show_text "/tmp/$1.log"
}

# run COMMAND...: runs it and prints its exit code and its output. A load
# takes about a second; the time limit of 20 s turns a hang into exit 137.
run() {
  timeout -s KILL 20 "$@" >/tmp/stdout 2>/tmp/stderr 3>&-
  say "exit $?"
  say "stdout:"
  show_text /tmp/stdout
  if [ -s /tmp/stderr ]; then
    say "stderr:"
    show_text /tmp/stderr
  fi
}

# run_listing COMMAND...: like run, but shows only what follows the usage
# text (its lines up to the first blank one): the device listing.
run_listing() {
  timeout -s KILL 20 "$@" >/tmp/stdout 2>/tmp/stderr 3>&-
  say "exit $?"
  say "listing:"
  sed '1,/^$/d' /tmp/stdout >/tmp/listing
  show_text /tmp/listing
  if [ -s /tmp/stderr ]; then
    say "stderr:"
    show_text /tmp/stderr
  fi
}

definition=/etc/fsprog/five-lines.txt

echo "kernel $(uname -r)"
for module in hid uhid hid-generic; do
  insmod "/lib/modules/$module.ko" || say "insmod $module.ko failed"
done

say "== listing"
start_device footswitch
show_node footswitch
say "ids: $(grep '^HID_ID=' "/sys/class/hidraw/$node_footswitch/device/uevent")"
run_listing fsprog /h
stop_device footswitch
show_device_log footswitch

say "== load"
start_device footswitch
show_node footswitch
run fsprog "$definition"
stop_device footswitch
show_device_log footswitch

say "== composite"
start_device keyboard --descriptor keyboard
start_device footswitch --descriptor vendor
show_node keyboard
show_node footswitch
run_listing fsprog /h
run fsprog "$definition"
stop_device keyboard
stop_device footswitch
show_device_log keyboard
show_device_log footswitch

say "== permissions"
start_device footswitch
show_node footswitch
say "user id: $(run-as-user 1000 1000 /bin/id -u 2>&1)"
run_listing run-as-user 1000 1000 /bin/fsprog /h
run run-as-user 1000 1000 /bin/fsprog "$definition"
stop_device footswitch
show_device_log footswitch

say "== unplug"
start_device footswitch --unplug-after 3
show_node footswitch
run fsprog "$definition"
if [ -e "/sys/class/hidraw/$node_footswitch" ]; then
  say "after the run: $node_footswitch still present"
else
  say "after the run: $node_footswitch removed"
fi
stop_device footswitch
show_device_log footswitch

say "== end of run"
exec 3>&-  # the last close waits until the port has sent everything
poweroff -f
