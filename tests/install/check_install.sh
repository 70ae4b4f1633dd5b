#!/bin/sh
# Installs the build into a fresh prefix and checks what a desktop needs from it: the program
# and its engine links, the engine helper, the desktop entry (desktop-file-validate), the icons and the polkit
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

# The helper runs as root: it and its folder must be root's, and no one else may change them.
helper="$prefix/libexec/tesmira/tesmira-engine-helper"
hook="$prefix/libexec/tesmira/tesmira-dns-hook"
if [ -f "$helper" ] && [ -x "$helper" ] && [ -f "$hook" ] && [ -x "$hook" ]; then
  for file in "$helper" "$hook" "$prefix/libexec/tesmira"; do
    [ "$(stat -c %u "$file")" = 0 ] || fail "$file does not belong to root"
    [ -z "$(find "$file" -maxdepth 0 -perm /022)" ] || fail "$file can be changed by others"
  done
else
  fail "no executable libexec/tesmira/tesmira-engine-helper and tesmira-dns-hook"
fi

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
  # One action, for the helper alone: pkexec compares its path with the one it runs, character
  # for character; no action may name the engine, which takes any option.
  helper="$prefix/libexec/tesmira/tesmira-engine-helper"
  [ "$(xmllint --xpath "count(//action)" "$policy")" = 1 ] || fail "the policy has other actions"
  path=$(xmllint --xpath "string(//action[@id='org.tesmira.engine']/annotate[@key='org.freedesktop.policykit.exec.path'])" "$policy")
  [ "$path" = "$helper" ] || fail "org.tesmira.engine runs '$path'"
  grep -q openvpn "$policy" && fail "the policy names openvpn"
  for pair in allow_any:auth_admin allow_inactive:auth_admin allow_active:yes; do
    default=${pair%%:*} expected=${pair#*:}
    value=$(xmllint --xpath "string(//action[@id='org.tesmira.engine']/defaults/$default)" "$policy")
    [ "$value" = "$expected" ] || fail "org.tesmira.engine: $default is '$value'"
  done
else
  fail "no polkit action"
fi

[ $failures -eq 0 ] || exit 1
echo "install tree complete"
