#!/usr/bin/env bash
# The folders of src/ are floors, each built on the ones below it: every
# include of a source file, its tests included, names its own folder or one
# further down. A folder that reached up would tie the floors into a circle.
# Usage: layering_test.sh SOURCE_DIR
set -euo pipefail
floors=(platform base records holes report front)  # from the bottom up
floor_of() {
  local k
  for k in "${!floors[@]}"; do [ "${floors[$k]}" = "$1" ] && { echo "$k"; return; }; done
  echo -1
}
cd "$1/src"
status=0
for folder in */; do
  folder=${folder%/}
  own=$(floor_of "$folder")
  if [ "$own" -lt 0 ]; then
    echo "src/$folder is no floor: add it to the list in $0"
    status=1
    continue
  fi
  while IFS=: read -r file line included; do
    [ "$(floor_of "$included")" -le "$own" ] && continue
    echo "$file:$line includes $included/, a floor above $folder/"
    status=1
  done < <(grep -Hno '^#include "[a-z_]*/' "$folder"/* | sed 's|#include "||; s|/$||')
done
exit $status
