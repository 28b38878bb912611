#!/usr/bin/env bash
# Prepares the kernel test that the main suite runs (tests/kernel): qemu, a
# statically linked busybox and cpio, and the Debian kernel, unpacked into the
# cache that the test reads (see docs/kernel-testing.md).
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/ensure-packages.sh qemu-system-x86 busybox-static cpio xz-utils
# The kernel's version comes from the package lists; fetch them if this
# machine has none yet.
if ! apt-cache depends linux-image-amd64 2>/dev/null | grep -q 'Depends: linux-image-'; then
  sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
fi
bash tests/kernel/fetch-kernel.sh
