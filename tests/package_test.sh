#!/usr/bin/env bash
# CPack builds a Debian package that holds the executable, the manual page
# and the bash completion, with the project's version, for the processor the
# build is for (the build machine's, unless a Debian architecture is given).
# Usage: package_test.sh <build directory> <version> [architecture]
# Exits 77 (skipped) when dpkg-deb is not installed.
set -u
build=$(cd "$1" && pwd) || exit 1
version=$2
architecture=${3:-$(dpkg --print-architecture 2>/dev/null)}

if ! command -v dpkg-deb >/dev/null 2>&1; then
  echo "SKIP: dpkg-deb is not installed; cannot inspect a Debian package"
  exit 77
fi

status=0
fail() { echo "FAIL: $*"; status=1; }

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

if ! (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") \
    >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack failed"
  exit 1
fi

debs=("$work"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  cat "$work/cpack.log"
  echo "FAIL: expected one .deb in the package directory, found: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}

contents=$(dpkg-deb -c "$deb") || { echo "FAIL: dpkg-deb -c $deb"; exit 1; }
for path in ./usr/bin/quorvane ./usr/share/man/man1/quorvane.1 \
            ./usr/share/bash-completion/completions/quorvane; do
  grep -qE "[[:space:]]$path\$" <<<"$contents" || fail "$path is not in the package"
done
grep -qE '^-rwxr-xr-x .* \./usr/bin/quorvane$' <<<"$contents" || fail "usr/bin/quorvane is not executable"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quorvane ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', want $version"
[ "$(field Architecture)" = "$architecture" ] ||
  fail "Architecture is '$(field Architecture)', want $architecture"
grep -q 'libc6' <<<"$(field Depends)" || fail "Depends is '$(field Depends)', without libc6"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ "$(field Maintainer)" = "The Quorvane developers" ] || fail "Maintainer is '$(field Maintainer)'"
[ -n "$(field Description)" ] || fail "the package has no description"

[ $status -eq 0 ] || { echo "package contents:"; echo "$contents"; }
exit $status
