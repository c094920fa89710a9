#!/usr/bin/env bash
# `cmake --install` into a fresh prefix puts the executable, the manual page
# and the bash completion in place, and the installed page opens with man.
# Usage: install_test.sh <build directory> <version> [emulator command...]
# A build for another processor names the emulator that runs its programs.
set -u
build=$1
version=$2
shift 2
emulator=("$@")
status=0
fail() { echo "FAIL: $*"; status=1; }

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  echo "FAIL: cmake --install failed"
  exit 1
fi

binary=$prefix/bin/quorvane
page=$prefix/share/man/man1/quorvane.1
completion=$prefix/share/bash-completion/completions/quorvane

[ -x "$binary" ] || fail "no executable at bin/quorvane"
[ -f "$page" ] || fail "no manual page at share/man/man1/quorvane.1"
[ -f "$completion" ] || fail "no completion at share/bash-completion/completions/quorvane"
[ $status -eq 0 ] || { find "$prefix" | sed "s|^$prefix|  |"; exit 1; }

# The installed program runs and shows the project's version.
out=$(${emulator[@]+"${emulator[@]}"} "$binary" --help 2>&1) || fail "installed quorvane --help did not exit 0"
grep -qF "Quorvane Version $version" <<<"$out" || fail "installed quorvane does not show version $version"

grep -qF "Quorvane $version" "$page" || fail "installed manual page does not carry version $version"
bash -n "$completion" || fail "installed completion is not valid bash"

if command -v man >/dev/null 2>&1; then
  text=$(MANWIDTH=80 LC_ALL=C.UTF-8 man -l -P cat "$page" 2>"$work/man.err") ||
    fail "man -l failed: $(cat "$work/man.err")"
  grep -q '^QUORVANE(1)' <<<"$text" || fail "man -l shows no QUORVANE(1) page"
  grep -q 'quorvane - find' <<<"$text" || fail "man -l shows no NAME line"
else
  echo "note: man is not installed; man -l not tried"
fi
exit $status
