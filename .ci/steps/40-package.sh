#!/usr/bin/env bash
# The packages users install, used the way users use them.
# Linux: builds the Debian package with CPack (build-pkg/), installs it with
# dpkg, runs the installed fsprog from PATH, renders its man page and removes
# the package again. Windows: builds the zip from a mingw-w64 cross build
# (build-pkg-win/) and runs the zipped fsprog.exe under Wine.
# It installs and removes the package fsprog, so it needs root (or sudo), and
# it refuses to run where a package fsprog is installed already.
set -euo pipefail
cd "$(dirname "$0")/../.."
source_dir=$PWD
export DEBIAN_FRONTEND=noninteractive MANPAGER=cat PAGER=cat

sudo=
[ "$(id -u)" -ne 0 ] && sudo=sudo

failures=0
fail() {
  echo "FAIL $*" >&2
  failures=$((failures + 1))
}
# check WHAT EXPECTED ACTUAL
check() {
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3" >&2
    failures=$((failures + 1))
  fi
}
# run ARGS...: runs a command, keeps its exact stdout (trailing line feeds
# included) in $out, its stderr in $err and its exit code in $rc.
run() {
  set +e
  "$@" >"$work/stdout" 2>"$work/stderr"
  rc=$?
  set -e
  out=$(cat "$work/stdout"; echo .)
  out=${out%.}
  err=$(cat "$work/stderr")
}

installed_by_us=
work=$(mktemp -d)
cleanup() {
  if [ -n "$installed_by_us" ]; then
    echo "Removing the package fsprog after a failure" >&2
    $sudo dpkg --purge fsprog >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

is_installed() { dpkg-query -W -f='${Status}' fsprog 2>/dev/null | grep -q ' installed$'; }

# ------------------------------------------------------------------------------
echo "--- Debian package"
scripts/ensure-packages.sh cmake make g++ dpkg-dev file man-db groff-base
if is_installed; then
  echo "A package fsprog is installed on this machine; this step installs and removes" >&2
  echo "its own. Remove it first: dpkg -r fsprog" >&2
  exit 1
fi

cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DFSPROG_BUILD_TESTS=OFF -DFSPROG_WERROR=ON >/dev/null
cmake --build build-pkg -j 2
rm -f build-pkg/fsprog_*.deb
(cd build-pkg && cpack -G DEB)
debs=(build-pkg/fsprog_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "Expected one fsprog_*.deb, found: ${debs[*]}" >&2
  exit 1
fi
deb=${debs[0]}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-pkg/CMakeCache.txt)
IFS=. read -r major minor _ <<<"$version"
arch=$(dpkg --print-architecture)
check "package file name" "build-pkg/fsprog_${version}_${arch}.deb" "$deb"
check Package fsprog "$(dpkg-deb -f "$deb" Package)"
check Version "$version" "$(dpkg-deb -f "$deb" Version)"
check Architecture "$arch" "$(dpkg-deb -f "$deb" Architecture)"
check Section utils "$(dpkg-deb -f "$deb" Section)"
maintainer=$(dpkg-deb -f "$deb" Maintainer)
name_and_address='^[^<>]+ <[^<>@]+@[^<>]+>$'
[[ $maintainer =~ $name_and_address ]] || fail "Maintainer is not 'name <address>': $maintainer"
description=$(dpkg-deb -f "$deb" Description)
[ "$(head -n 1 <<<"$description")" != "" ] || fail "no short description"
[ "$(wc -l <<<"$description")" -ge 3 ] || fail "no long description: $description"
# Runtime dependencies: the C and C++ runtime only, as dpkg-shlibdeps found them.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | sort)
grep -qx libc6 <<<"$depends" || fail "Depends lacks libc6: $depends"
for package in $depends; do
  case $package in
    libc6 | libgcc-s1 | libstdc++6) ;;
    *) fail "Depends names $package besides the C and C++ runtime" ;;
  esac
done
# The maintainer scripts, executable: postinst reloads the udev rules, postrm
# makes udev forget the removed rule.
check "control files" "-rw-r--r-- ./control
-rw-r--r-- ./md5sums
-rwxr-xr-x ./postinst
-rwxr-xr-x ./postrm" "$(dpkg-deb --ctrl-tarfile "$deb" | tar -tv | awk '{print $1, $6}' | sort -k2)"
check "package contents" "./usr/bin/fsprog
./usr/lib/udev/rules.d/70-fsprog.rules
./usr/share/doc/fsprog/README.md
./usr/share/doc/fsprog/changelog.gz
./usr/share/doc/fsprog/copyright
./usr/share/doc/fsprog/examples/TolvarCode.txt
./usr/share/man/man1/fsprog.1.gz" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)"

# Slim images exclude /usr/share/doc and /usr/share/man from every package
# (dpkg path-exclude); this package's documents are part of what is tested.
$sudo dpkg -i --path-include='/usr/share/doc/fsprog/*' --path-include='/usr/share/man/man1/fsprog*' "$deb"
installed_by_us=1
is_installed || fail "dpkg -i did not leave fsprog installed"
hash -r
check "fsprog on PATH" /usr/bin/fsprog "$(command -v fsprog)"
check "udev rule" "$(cat packaging/linux/70-fsprog.rules)" "$(cat /usr/lib/udev/rules.d/70-fsprog.rules)"

cd "$work"
# The usage screen: the version text follows the package version (3.0.0 -> 3.00).
run fsprog /h
check "fsprog /h exit" 64 "$rc"
check "fsprog /h usage" "Usage : fsprog [FileName] [/t]
        FileName : Key code definition file (Default TolvarCode.txt)
        /t       : Only the analysis result of the definition file is displayed.
 Ver. $(printf '%d.%02d' "$major" "$minor")

." "$(head -n 5 "$work/stdout"; echo .)"
# The device listing depends on the machine: a foot switch, none, or no hidraw.
listing=$(tail -n +6 "$work/stdout")
if ! [[ $listing == "Korvane not found !" || $listing == "Can not find Device" ]] &&
   grep -qvx 'Korvane PID=.* is Connected' <<<"$listing"; then
  fail "fsprog /h device listing: $listing"
fi

# The bundled example, analysed: the same text as the golden case of the build.
run fsprog /usr/share/doc/fsprog/examples/TolvarCode.txt /t
check "analysis exit" 0 "$rc"
check "analysis of the installed example" "$(cat "$source_dir/tests/cases/example.expected"; echo .)" "$out."

# The man page's example of a load without a foot switch, as it is written there.
pedal=$work/pedal
mkdir -p "$pedal"/sys/class/hidraw/hidraw0/device "$pedal"/dev
echo HID_ID=0003:00002C7E:00003102 >"$pedal"/sys/class/hidraw/hidraw0/device/uevent
: >"$pedal"/dev/hidraw0
run env FSPROG_SYSROOT="$pedal" fsprog /h
check "listing of a made-up foot switch" "Korvane PID=3102 is Connected" "$(tail -n 1 "$work/stdout")"
run env FSPROG_SYSROOT="$pedal" fsprog /usr/share/doc/fsprog/examples/TolvarCode.txt
check "load into a made-up foot switch" "
LOAD END
" "$out"
check "load exit" 0 "$rc"
check "first frames of the load" " 00 80 00 00 00 00 00 00
 00 11 e1 00 00 00 00 00
 00 8e 00 00 00 00 00 00" "$(od -An -tx1 -w8 "$pedal"/dev/hidraw0 | head -n 3)"
cd "$source_dir"
# Every frame of that load, and a composite device, by the load cases of the
# build tree, now with the installed binary.
for case in example composite; do
  bash tests/e2e/load_cases.sh /usr/bin/fsprog "$source_dir" "$case" || fail "load case $case"
done

# The man page: found by man, rendered without a single warning.
check "man -w" /usr/share/man/man1/fsprog.1.gz "$(man -w fsprog)"
run man --warnings -l /usr/share/man/man1/fsprog.1.gz
check "man --warnings exit" 0 "$rc"
check "man --warnings messages" "" "$err"
grep -q '^SYNOPSIS' <<<"$out" || fail "the rendered man page has no SYNOPSIS"
run sh -c 'zcat /usr/share/man/man1/fsprog.1.gz | groff -ww -z -man'
check "groff -ww messages" "" "$err"
check "groff -ww exit" 0 "$rc"
cmp -s <(zcat /usr/share/man/man1/fsprog.1.gz) docs/fsprog.1 || fail "installed man page differs from docs/fsprog.1"

# Removal leaves nothing behind.
$sudo dpkg -r fsprog
is_installed && fail "dpkg -r left fsprog installed"
$sudo dpkg --purge fsprog >/dev/null
installed_by_us=
for path in /usr/bin/fsprog /usr/lib/udev/rules.d/70-fsprog.rules /usr/share/man/man1/fsprog.1.gz \
            /usr/share/doc/fsprog; do
  [ ! -e "$path" ] || fail "$path is still there after dpkg -r"
done
hash -r
command -v fsprog >/dev/null && fail "fsprog is still on PATH after dpkg -r: $(command -v fsprog)"

# ------------------------------------------------------------------------------
echo "--- Windows zip"
scripts/ensure-packages.sh cmake make g++-mingw-w64-x86-64-posix
scripts/ensure-packages.sh --with-recommends wine wine64
cmake -S . -B build-pkg-win -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchains/x86_64-w64-mingw32-posix.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DFSPROG_BUILD_TESTS=OFF -DFSPROG_WERROR=ON >/dev/null
cmake --build build-pkg-win -j 2
rm -f build-pkg-win/fsprog-*.zip
(cd build-pkg-win && cpack -G ZIP)
zip=build-pkg-win/fsprog-$version-win64.zip
[ -f "$zip" ] || { echo "$zip was not built" >&2; exit 1; }
folder=fsprog-$version-win64
check "zip contents" "$folder/INSTALL-Windows.txt
$folder/README.md
$folder/TolvarCode.txt
$folder/fsprog.exe" "$(cmake -E tar tf "$zip" | sort)"

mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$source_dir/$zip")
[ -x "$work/zip/$folder/fsprog.exe" ] || fail "fsprog.exe in the zip is not executable"
cmp -s "$work/zip/$folder/README.md" README.md || fail "README.md in the zip differs"
cmp -s "$work/zip/$folder/TolvarCode.txt" examples/TolvarCode.txt || fail "TolvarCode.txt in the zip differs"
cmp -s "$work/zip/$folder/INSTALL-Windows.txt" packaging/windows/INSTALL-Windows.txt ||
  fail "INSTALL-Windows.txt in the zip differs"

# In the unzipped folder the example is fsprog.exe's default file, as
# INSTALL-Windows.txt tells the user. The console ends its lines with "\r\n".
cd "$work/zip/$folder"
run env WINEDEBUG=-all WINEPREFIX="$source_dir/build-pkg-win/wineprefix" wine fsprog.exe /t
cd "$source_dir"
check "zipped fsprog.exe /t exit" 0 "$rc"
check "zipped fsprog.exe /t output" "$(cat tests/cases/example.expected; echo .)" "${out//$'\r'/}."
[ "$rc" -eq 0 ] || echo "Wine said: $err" >&2

if [ $failures -ne 0 ]; then
  echo "$failures package checks failed" >&2
  exit 1
fi
echo "Package checks passed: $deb, $zip"
