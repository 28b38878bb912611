#!/usr/bin/env bash
# Boots the cached Debian kernel under qemu with an initramfs that holds
# busybox, a static fsprog and the virtual foot switch, runs the cases of
# init.sh inside, and leaves their transcript in WORK/transcript.txt for
# check-case.sh.
#
#   run-vm.sh WORK FSPROG VIRTUAL_FOOTSWITCH RUN_AS_USER
#
# Exit codes: 0 the VM ran every case, 1 it did not, 77 skipped because a
# tool or the kernel is missing (WORK/skipped says what). Under CI (CI=true)
# a missing piece is a failure instead of a skip.
set -euo pipefail

if [ $# -ne 4 ]; then
  echo "usage: run-vm.sh WORK FSPROG VIRTUAL_FOOTSWITCH RUN_AS_USER" >&2
  exit 1
fi
work=$1
fsprog=$2
device=$3
run_as_user=$4
here=$(cd "$(dirname "$0")" && pwd)
# The same default as in fetch-kernel.sh.
cache=${FSPROG_KERNEL_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/fsprog-kernel}
# Guards against a hung VM only: a run takes some seconds.
vm_time_limit=${FSPROG_KERNEL_VM_TIME_LIMIT:-240}

mkdir -p "$work"
rm -f "$work/skipped" "$work/transcript.txt" "$work/console.log"

missing=()
command -v qemu-system-x86_64 >/dev/null || missing+=("qemu-system-x86_64 (package qemu-system-x86)")
command -v cpio >/dev/null || missing+=("cpio (package cpio)")
busybox=$(command -v busybox || true)
if [ -z "$busybox" ]; then
  missing+=("busybox (package busybox-static)")
elif ldd "$busybox" >/dev/null 2>&1; then
  # A dynamically linked busybox cannot run in the initramfs, which has no
  # shared libraries.
  missing+=("a statically linked busybox (package busybox-static)")
fi
release=$(cat "$cache/current" 2>/dev/null || true)
kernel=$cache/$release
if [ -z "$release" ] || [ ! -f "$kernel/vmlinux" ]; then
  missing+=("a Debian kernel in $cache (tests/kernel/fetch-kernel.sh fetches it)")
fi

if [ ${#missing[@]} -gt 0 ]; then
  message=$(
    echo "The kernel test needs:"
    printf '  %s\n' "${missing[@]}"
    echo "Get them with: bash .ci/steps/05-kernel-prep.sh"
    echo "(apt-get install qemu-system-x86 busybox-static cpio xz-utils, then tests/kernel/fetch-kernel.sh)"
  )
  echo "$message"
  if [ "${CI:-}" = true ]; then
    echo "Under CI the kernel test must run: the prep step should have installed these."
    exit 1
  fi
  echo "$message" >"$work/skipped"
  exit 77
fi

# The initramfs: busybox as the shell and tools, the programs under test, the
# three HID modules and the definition file.
root=$work/root
rm -rf "$root" "$work/initramfs.cpio"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,etc/fsprog,lib/modules}
cp "$busybox" "$root/bin/busybox"
cp "$fsprog" "$root/bin/fsprog"
cp "$device" "$root/bin/virtual-footswitch"
cp "$run_as_user" "$root/bin/run-as-user"
cp "$here/init.sh" "$root/init"
cp "$here/five-lines.txt" "$root/etc/fsprog/five-lines.txt"
cp "$kernel"/hid.ko "$kernel"/uhid.ko "$kernel"/hid-generic.ko "$root/lib/modules/"
chmod 0755 "$root/init" "$root"/bin/*
chmod 1777 "$root/tmp"
chmod 0644 "$root/etc/fsprog/five-lines.txt"
(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) >"$work/initramfs.cpio"

echo "Booting $release under qemu (TCG)"
start=$(date +%s.%N)
status=0
# TCG, not KVM: the result must not depend on the host's virtualisation. The
# uncompressed vmlinux boots directly through its PVH entry point. One CPU:
# the unplug case relies on the virtual device's SCHED_FIFO priority to take
# each report before fsprog writes the next.
timeout --kill-after=10 "$vm_time_limit" \
  qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nodefaults -display none -no-reboot \
  -kernel "$kernel/vmlinux" -initrd "$work/initramfs.cpio" \
  -append "console=ttyS0 quiet panic=-1" \
  -serial "file:$work/console.log" -serial "file:$work/transcript.txt" \
  </dev/null || status=$?
end=$(date +%s.%N)
elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')

if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  echo "The VM did not finish within $vm_time_limit s. Console:"
  cat "$work/console.log" 2>/dev/null || true
  exit 1
fi
if [ $status -ne 0 ]; then
  echo "qemu failed with exit code $status. Console:"
  cat "$work/console.log" 2>/dev/null || true
  exit 1
fi
if [ "$(tail -n 1 "$work/transcript.txt" 2>/dev/null)" != "== end of run" ]; then
  echo "The VM stopped before the end of its cases. Console:"
  cat "$work/console.log" 2>/dev/null || true
  echo "Transcript:"
  cat "$work/transcript.txt" 2>/dev/null || true
  exit 1
fi
echo "The VM ran its cases in $elapsed s. Transcript:"
cat "$work/transcript.txt"
