#!/usr/bin/env bash
# The manual page renders without a single warning from groff.
# Usage: man_page_test.sh <manual page> <version>
# Exits 77 (skipped) when groff is not installed.
set -u
page=$1
version=$2

if ! command -v groff >/dev/null 2>&1; then
  echo "SKIP: groff is not installed; cannot check the manual page"
  exit 77
fi

status=0
fail() { echo "FAIL: $*"; status=1; }

[ -r "$page" ] || { echo "FAIL: no manual page at $page"; exit 1; }

# -ww turns on every warning; the man macros' style checks come on top.
for checks in "" "-rCHECKSTYLE=10"; do
  errors=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww $checks -z "$page" 2>&1 >/dev/null)
  [ -z "$errors" ] || fail "groff $checks warns:"$'\n'"$errors"
done

text=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -P-cbou "$page" 2>/dev/null)
# Left-over placeholders would mean the build did not fill the page in.
grep -q '@[A-Z_]*@' "$page" && fail "unfilled placeholder in $page"
grep -q "Quorvane $version" <<<"$text" || fail "the page does not name version $version"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
  grep -qx "$section" <<<"$text" || fail "section $section is missing"
done
exit $status
