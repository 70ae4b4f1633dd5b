#!/bin/sh
# Installs the build into a fresh prefix and checks what a desktop needs from it: the program
# and its engine links, the desktop entry (desktop-file-validate), the icons and the polkit
# action (parsed as XML, against polkit's DTD where polkit is installed).
# Usage: check_install.sh CMAKE BUILD_DIR OPENVPN
set -eu
cmake=$1 build=$2 openvpn=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with blank"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
  cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

[ -x "$prefix/lib/tesmira/tesmira" ] && [ -f "$prefix/lib/tesmira/tesmira" ] ||
  fail "lib/tesmira/tesmira is not an executable file"
[ "$(readlink "$prefix/bin/tesmira")" = ../lib/tesmira/tesmira ] ||
  fail "bin/tesmira does not lead to lib/tesmira/tesmira"
for variant in 64bit 32bit; do
  [ "$(readlink "$prefix/lib/tesmira/$variant/openvpn")" = "$openvpn" ] ||
    fail "lib/tesmira/$variant/openvpn does not lead to $openvpn"
done

# The PNG header holds width and height as big-endian words at bytes 16 to 23.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x$size/apps/tesmira.png"
  if [ ! -f "$icon" ]; then fail "no $size x $size icon"; continue; fi
  [ "$(png_size "$icon")" = "${size}x$size" ] || fail "$icon is $(png_size "$icon")"
done

entry="$prefix/share/applications/tesmira.desktop"
if [ -f "$entry" ]; then
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
  grep -qx "Exec=env TESMIRA_PRIVATE_DIR=1 \"$prefix/bin/tesmira\"" "$entry" ||
    fail "the entry's Exec does not start $prefix/bin/tesmira with its private folder"
  grep -qx "TryExec=$prefix/bin/tesmira" "$entry" || fail "the entry's TryExec"
  grep -qx "Icon=tesmira" "$entry" || fail "the entry's icon"
else
  fail "no desktop entry"
fi

policy="$prefix/share/polkit-1/actions/org.tesmira.engine.policy"
if [ -f "$policy" ]; then
  dtd=/usr/share/polkit-1/policyconfig-1.dtd
  if [ -f "$dtd" ]; then
    xmllint --noout --dtdvalid "$dtd" "$policy" || fail "the policy does not follow polkit's DTD"
  else
    xmllint --noout "$policy" || fail "the policy is not well-formed XML"
  fi
  # pkexec compares these paths with the one it runs, character for character.
  for pair in org.tesmira.engine:64bit org.tesmira.engine32:32bit; do
    id=${pair%%:*} variant=${pair#*:}
    path=$(xmllint --xpath "string(//action[@id='$id']/annotate[@key='org.freedesktop.policykit.exec.path'])" "$policy")
    [ "$path" = "$prefix/lib/tesmira/$variant/openvpn" ] || fail "$id runs '$path'"
    for default in allow_any allow_inactive allow_active; do
      value=$(xmllint --xpath "string(//action[@id='$id']/defaults/$default)" "$policy")
      expected=auth_admin
      [ $default = allow_active ] && expected=auth_admin_keep
      [ "$value" = $expected ] || fail "$id: $default is '$value'"
    done
    xmllint --xpath "string(//action[@id='$id']/message)" "$policy" | grep -q "Tesmira.*OpenVPN engine" ||
      fail "$id: the message does not name Tesmira and its OpenVPN engine"
  done
else
  fail "no polkit action"
fi

[ $failures -eq 0 ] || exit 1
echo "install tree complete"
