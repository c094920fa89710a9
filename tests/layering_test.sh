#!/usr/bin/env bash
# The folders of src/ are floors, each built on the ones below it: every
# include of a source file, its tests included, names its own folder or one
# further down. A folder that reached up would tie the floors into a circle.
# Usage: layering_test.sh SOURCE_DIR
set -euo pipefail
floors=" platform base records holes report front "  # from the bottom up
below_or_at() {  # FOLDER: the floors up to FOLDER's, as a pattern
  [[ "$floors" == *" $1 "* ]] || { echo "src/$1 is no floor: list it in $0" >&2; exit 1; }
  local up_to="${floors%% $1 *} $1"
  up_to=${up_to# }
  echo "${up_to// /|}"
}
cd "$1/src"
status=0
for folder in */; do
  folder=${folder%/}
  allowed=$(below_or_at "$folder")
  while IFS=: read -r file line included; do
    [[ "$included" =~ ^($allowed)$ ]] && continue
    echo "$file:$line includes $included/, a floor above $folder/"
    status=1
  done < <(grep -Hno '^#include "[a-z_]*/' "$folder"/* | sed 's|#include "||; s|/$||')
done
exit $status
