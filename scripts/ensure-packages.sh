#!/usr/bin/env bash
# Installs the Debian packages given as arguments that are not installed yet,
# through apt-get (with sudo when not root). Does nothing when all are there.
# --with-recommends first: install their recommended packages too.
set -euo pipefail
recommends=--no-install-recommends
if [ "${1:-}" = --with-recommends ]; then
  recommends=
  shift
fi
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $recommends "${missing[@]}" >/dev/null
