#!/usr/bin/env bash
# Checks the Windows build's products on the build machine: quorvane.exe
# imports no DLL beyond Windows' own and carries its manifest, and the zip
# holds the program, a README.txt with CR LF line ends, the sample export
# with its report, and the page (when the web build made it).
#
#   windows_package_test.sh BUILD_DIR VERSION SOURCE_DIR
set -euo pipefail
build=$1 version=$2 source=$3
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null 2>&1 || { echo "no $objdump"; exit 77; }
command -v unzip >/dev/null 2>&1 || { echo "no unzip"; exit 77; }

# Windows' own DLLs; a C++ runtime (libstdc++-6.dll, libgcc_s_seh-1.dll,
# libwinpthread-1.dll) would have to be shipped beside the program.
dlls=$("$objdump" -p "$build/quorvane.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
for dll in $dlls; do
  case $dll in
    kernel32.dll | msvcrt.dll | shell32.dll | ucrtbase.dll | api-ms-win-*.dll) ;;
    *) echo "quorvane.exe imports $dll"; exit 1 ;;
  esac
done

# The manifest that makes arguments and file names UTF-8 is built in (Wine
# may run with a UTF-8 code page anyway, so the suite alone would not tell).
grep -aq '<activeCodePage [^>]*>UTF-8</activeCodePage>' "$build/quorvane.exe" ||
  { echo "quorvane.exe carries no manifest with the UTF-8 code page"; exit 1; }

zip="$build/quorvane-$version-win64.zip"
folder="quorvane-$version-win64"
listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
page=$(sed -n 's/^QUORVANE_PAGE_FILE:FILEPATH=//p' "$build/CMakeCache.txt")
[ -f "$page" ] && with_page="$folder/quorvane.html " || with_page=
expected="$folder/ $folder/README.txt $folder/quorvane.exe $with_page$folder/sample_export.txt $folder/sample_report.txt "
[ "$listed" = "$expected" ] || { echo "the zip holds: $listed"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
unzip -q "$zip" -d "$scratch"
cmp "$scratch/$folder/quorvane.exe" "$build/quorvane.exe"
cmp "$scratch/$folder/sample_export.txt" "$source/examples/sample_export.txt"
cmp "$scratch/$folder/sample_report.txt" "$source/examples/sample_report.txt"
[ -z "$with_page" ] || cmp "$scratch/$folder/quorvane.html" "$page"
readme="$scratch/$folder/README.txt"
# Every line ends in CR LF: as many CRs as LFs, and each CR before an LF.
lf=$(tr -cd '\n' <"$readme" | wc -c)
crlf=$(grep -c $'\r$' "$readme" || true)
[ "$lf" -gt 20 ] && [ "$lf" -eq "$crlf" ] && [ "$(tr -cd '\r' <"$readme" | wc -c)" -eq "$lf" ] ||
  { echo "README.txt has $lf lines, $crlf of them ending in CR LF"; exit 1; }
grep -q "^Quorvane $version for Windows" "$readme" || { echo "README.txt names no version"; exit 1; }
for topic in 'PowerShell' 'Quorvane.log' 'errorlevel' 'LASTEXITCODE' '255' 'Double-click quorvane.html'; do
  grep -qF -- "$topic" "$readme" || { echo "README.txt says nothing of $topic"; exit 1; }
done
echo "quorvane.exe imports only: $dlls"
