#!/usr/bin/env bash
# Fetches the Debian kernel that the kernel test boots, and keeps what the
# test needs of it in a cache folder:
#
#   CACHE/current                 the kernel release in use, e.g. 6.1.0-58-amd64
#   CACHE/RELEASE/vmlinux         the uncompressed kernel, for a direct PVH boot
#   CACHE/RELEASE/hid.ko, uhid.ko, hid-generic.ko
#
#   tests/kernel/fetch-kernel.sh [CACHE]
#
# The release is the one that Debian's linux-image-amd64 depends on at the
# time of the call, so the test follows the distribution's kernel updates. The
# package is downloaded with apt-get download and unpacked here only, not
# installed. A release already in the cache is not fetched again.
set -euo pipefail

# The same default as in run-vm.sh.
cache=${1:-${FSPROG_KERNEL_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/fsprog-kernel}}

die() {
  echo "fetch-kernel: $*" >&2
  exit 1
}

for tool in apt-cache apt-get dpkg-deb tar xz; do
  command -v "$tool" >/dev/null || die "$tool is missing (Debian: apt-get install xz-utils)"
done

package=$(apt-cache depends linux-image-amd64 2>/dev/null |
  awk '$1 == "Depends:" && $2 ~ /^linux-image-[0-9]/ { print $2; exit }')
[ -n "$package" ] || die "apt-cache knows no linux-image-amd64 (run apt-get update first)"
release=${package#linux-image-}

if [ -f "$cache/$release/vmlinux" ]; then
  echo "$release" >"$cache/current"
  echo "fetch-kernel: $release is in $cache"
  exit 0
fi

mkdir -p "$cache"
work=$(mktemp -d "$cache/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "fetch-kernel: downloading $package"
# As root apt-get would hand the download to its sandbox user, which cannot
# write to this private folder.
(cd "$work" && apt-get download -qq -o APT::Sandbox::User=root "$package" >/dev/null)
deb=$(ls "$work"/*.deb)

mkdir "$work/tree" "$work/$release"
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$work/tree" --wildcards \
  './boot/vmlinuz-*' \
  '*/modules/*/kernel/drivers/hid/hid.ko*' \
  '*/modules/*/kernel/drivers/hid/uhid.ko*' \
  '*/modules/*/kernel/drivers/hid/hid-generic.ko*'

for module in hid uhid hid-generic; do
  found=$(find "$work/tree" -path "*/kernel/drivers/hid/$module.ko*" | head -n 1)
  case "$found" in
    *.ko) cp "$found" "$work/$release/$module.ko" ;;
    *.ko.xz) xz -dc "$found" >"$work/$release/$module.ko" ;;
    *) die "$module.ko is not in $package" ;;
  esac
done

# The bzImage carries the kernel as an xz stream behind its set-up code. Take
# the first stream, from an offset where one begins, that unpacks to an ELF
# file: the magic bytes can also occur by chance elsewhere.
vmlinuz=$(ls "$work"/tree/boot/vmlinuz-*)
while read -r offset; do
  # xz stops reading at the end of the stream: no pipe, which would fail on
  # the broken pipe.
  if xz -dc --single-stream <(tail -c +$((offset + 1)) "$vmlinuz") >"$work/$release/vmlinux" 2>/dev/null &&
    [ "$(head -c 4 "$work/$release/vmlinux" | od -An -tx1 | tr -d ' ')" = 7f454c46 ]; then
    break
  fi
  rm -f "$work/$release/vmlinux"
done < <(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$vmlinuz" | cut -d: -f1)
[ -f "$work/$release/vmlinux" ] || die "no xz-compressed ELF kernel found in $vmlinuz"

# Replace any older release: one kernel is enough.
for old in "$cache"/*/; do
  [ -f "$old/vmlinux" ] && rm -rf "$old"
done
mv "$work/$release" "$cache/$release"
echo "$release" >"$cache/current"
echo "fetch-kernel: $release unpacked into $cache"
