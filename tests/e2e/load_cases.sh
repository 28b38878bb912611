#!/usr/bin/env bash
# End-to-end cases of the Linux binding: the built fsprog runs against a
# temporary system tree (FSPROG_SYSROOT) whose /dev/hidrawN nodes are regular
# files that capture the frames, directories that fail the write probe, or
# links to /dev/full that fail every write.
#
# Usage: load_cases.sh FSPROG SOURCE_DIR CASE
set -euo pipefail
fsprog=$1
source_dir=$2
case_name=$3

root=$(mktemp -d)
capture=$(mktemp)
trap 'rm -rf "$root" "$capture"' EXIT
mkdir -p "$root/sys/class/hidraw" "$root/dev"

# Report descriptors: a keyboard, a mouse, and the vendor-defined settings
# interface (one 8-byte output report).
keyboard='05 01 09 06 a1 01 05 07 19 e0 29 e7 15 00 25 01 75 01 95 08 81 02 c0'
mouse='05 01 09 02 a1 01 09 01 a1 00 05 09 19 01 29 03 15 00 25 01 95 03 75 01 81 02 c0 c0'
settings='06 00 ff 09 01 a1 01 15 00 26 ff 00 75 08 95 08 09 01 91 02 c0'

# add_node N VENDOR PRODUCT DESCRIPTOR KIND: KIND is file, dir or full.
add_node() {
  local dir="$root/sys/class/hidraw/hidraw$1/device"
  mkdir -p "$dir"
  printf 'DRIVER=hid-generic\nHID_ID=0003:0000%s:0000%s\nHID_NAME=Test Device\n' "$2" "$3" >"$dir/uevent"
  [ -n "$4" ] && printf "$(printf '\\x%s' $4)" >"$dir/report_descriptor"
  case $5 in
    file) : >"$root/dev/hidraw$1" ;;
    dir) mkdir "$root/dev/hidraw$1" ;;
    full) ln -s /dev/full "$root/dev/hidraw$1" ;;
  esac
}

frames() { od -An -v -tx1 -w8 "$1" | sed 's/^ //'; }

failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3" >&2
    failures=$((failures + 1))
  fi
}

# run ARGS...: runs fsprog in $root, keeps its exact stdout (trailing line
# feeds included) in $out and the exit code in $rc.
run() {
  set +e
  (cd "$root" && FSPROG_SYSROOT="$root" "$fsprog" "$@") >"$capture"
  rc=$?
  set -e
  out=$(cat "$capture"; echo .)
  out=${out%.}
}

# check_output FORMAT: stdout must be the printf expansion of FORMAT.
check_output() {
  local want
  printf -v want "$1"
  check output "$want" "$out"
}

usage_head='Usage : '"$fsprog"' [FileName] [/t]
        FileName : Key code definition file (Default TolvarCode.txt)
        /t       : Only the analysis result of the definition file is displayed.
 Ver. 3.00
'

case $case_name in
  example)
    # The bundled example, frame by frame: record frames in file order, a
    # group end before each new switch other than 0, then the closing frames.
    add_node 0 2C7E 3102 "$settings" file
    run "$source_dir/examples/TolvarCode.txt"
    check_output '\nLOAD END\n'
    check exit 0 "$rc"
    check frames "00 80 00 00 00 00 00 00
00 11 e1 00 00 00 00 00
00 8e 00 00 00 00 00 00
00 22 06 01 00 00 00 00
00 32 19 01 00 00 00 00
00 8e 00 00 00 00 00 00
00 13 f1 00 00 00 00 00
00 8e 00 00 00 00 00 00
00 44 0b 02 00 00 00 00
00 44 0c 00 00 00 00 00
00 44 fd 00 00 00 00 00
00 44 28 00 00 00 00 00
00 44 00 00 00 00 00 00
00 10 29 00 00 00 00 00
00 8e 00 00 00 00 00 00
00 29 f2 00 00 00 00 00
00 8e 00 00 00 00 00 00
00 1a 2c 04 00 00 00 00
00 ee 8e 00 00 00 00 00
00 00 00 00 00 00 00 00
00 8e 00 00 00 00 00 00
00 00 00 00 00 00 00 00
00 8c 00 00 00 00 00 00
00 00 00 00 00 00 00 00
00 00 00 00 00 00 00 00" "$(frames "$root/dev/hidraw0")"
    ;;

  composite)
    # One foot switch with keyboard, mouse and settings interfaces: only the
    # settings interface passes the probe, so it alone receives the load.
    add_node 0 2C7E 3102 "$keyboard" file
    add_node 1 2C7E 3102 "$mouse" file
    add_node 2 2C7E 3102 "$settings" file
    printf 'PID=3102\nNOSAVE\nFS1 KEY STATE CODE=04\n' >"$root/pedal.txt"
    run pedal.txt
    check_output '\nLOAD END\n'
    check exit 0 "$rc"
    check keyboard-node "" "$(frames "$root/dev/hidraw0")"
    check mouse-node "" "$(frames "$root/dev/hidraw1")"
    check settings-node "00 80 00 00 00 00 00 00
00 11 04 00 00 00 00 00
00 8e 00 00 00 00 00 00
00 00 00 00 00 00 00 00
00 8c 00 00 00 00 00 00
00 00 00 00 00 00 00 00
00 00 00 00 00 00 00 00" "$(frames "$root/dev/hidraw2")"
    run /h
    check usage "${usage_head}
Korvane PID=3102 is Connected
" "$out"
    check usage-exit 64 "$rc"
    ;;

  usage)
    # Every foot switch of the vendor gets a line, in hidraw number order.
    add_node 10 2C7E 3103 "$settings" file
    add_node 2 2C7E 3101 "" file
    add_node 3 046D C077 "$mouse" file
    run /?
    check usage "${usage_head}
Korvane PID=3101 is Connected
Korvane PID=3103 is Connected
" "$out"
    check exit 64 "$rc"
    ;;

  usage-none)
    add_node 3 046D C077 "$mouse" file
    run /H
    check usage "${usage_head}
Korvane not found !
" "$out"
    check exit 64 "$rc"
    ;;

  absent)
    # Another vendor's device only; its node is never written.
    add_node 0 046D C077 "" file
    printf 'PID=3102\nFS1 KEY STATE CODE=04\n' >"$root/pedal.txt"
    run pedal.txt
    check_output 'Device not found !\n\nOPEN ERROR\n'
    check exit 11 "$rc"
    check other-node "" "$(frames "$root/dev/hidraw0")"
    ;;

  other-model)
    # The lookup wants the product id of the file; a 3103 does not match 3102.
    add_node 0 2C7E 3103 "$settings" file
    printf 'PID=3102\nFS1 KEY STATE CODE=04\n' >"$root/pedal.txt"
    run pedal.txt
    check_output 'Device not found !\n\nOPEN ERROR\n'
    check exit 11 "$rc"
    check node "" "$(frames "$root/dev/hidraw0")"
    ;;

  keys-before-pid)
    add_node 0 2C7E 3102 "$settings" file
    printf 'FS1 KEY STATE CODE=04\nPID=3102\n' >"$root/pedal.txt"
    run pedal.txt
    check_output 'Device not found !\n\nOPEN ERROR\n'
    check exit 11 "$rc"
    ;;

  no-hid-class)
    rm -r "$root/sys/class/hidraw"
    printf 'PID=3102\n' >"$root/pedal.txt"
    run pedal.txt
    check_output 'Can not find Device\n\nOPEN ERROR\n'
    check exit 11 "$rc"
    ;;

  probe-fails)
    add_node 0 2C7E 3102 "$settings" dir
    printf 'PID=3102\nFS1 KEY STATE CODE=04\n' >"$root/pedal.txt"
    run pedal.txt
    check_output 'Can not connect to Device\n\nOPEN ERROR\n'
    check exit 11 "$rc"
    ;;

  write-fails)
    add_node 0 2C7E 3102 "$settings" full
    printf 'PID=3102\nFS1 KEY STATE CODE=04\n' >"$root/pedal.txt"
    run pedal.txt
    check_output '\nLOAD ERROR\n'
    check exit 2 "$rc"
    ;;

  bad-uevent)
    # An entry whose ids cannot be read is passed over.
    add_node 0 2C7E 3102 "$settings" file
    printf 'HID_ID=garbage\n' >"$root/sys/class/hidraw/hidraw0/device/uevent"
    add_node 1 2C7E 3102 "$settings" file
    mkdir -p "$root/sys/class/hidraw/hidraw5"  # no device folder at all
    printf 'PID=3102\n' >"$root/pedal.txt"
    run pedal.txt
    check_output '\nLOAD END\n'
    check unreadable-node "" "$(frames "$root/dev/hidraw0")"
    check used-node "00 80 00 00 00 00 00 00" "$(frames "$root/dev/hidraw1" | head -1)"
    ;;

  *)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac

# Nothing besides the definition files may appear in the tree: fsprog never
# creates a file.
extra=$(cd "$root" && find . -newer "$root/sys" -type f ! -name '*.txt' ! -path './sys/*' ! -path './dev/*')
check created-files "" "$extra"

[ "$failures" -eq 0 ]
