#!/usr/bin/env bash
# The folders of src/ are floors, each built on the ones below it: every
# include of a source file, its tests included, names its own folder or one
# further down. A folder that reached up would tie the floors into a circle.
# A unit test's helpers in tests/ count as part of the test: what they
# include, and what the files that define them include, is held to the
# test's floor too.
# Usage: layering_test.sh SOURCE_DIR
set -euo pipefail
floors=" platform base records holes report front "  # from the bottom up
below_or_at() {  # FOLDER: the floors up to FOLDER's, as a pattern
  [[ "$floors" == *" $1 "* ]] || { echo "src/$1 is no floor: list it in $0" >&2; exit 1; }
  local up_to="${floors%% $1 *} $1"
  up_to=${up_to# }
  echo "${up_to// /|}"
}
helpers() {  # FILE...: the tests/ files they reach through helper headers, transitively
  local -A seen=()
  local queue=("$@") file name
  while ((${#queue[@]})); do
    file=${queue[0]}; queue=("${queue[@]:1}")
    for name in $(grep -ho '^#include "[a-z_]*\.h"' "$file" | sed 's|#include "||; s|\.h"$||'); do
      [[ -n "${seen[$name]:-}" ]] && continue
      seen[$name]=1
      for helper in ../tests/"$name".h ../tests/"$name".cpp ../tests/"$name"_*.cpp; do
        [[ -f "$helper" ]] && { echo "$helper"; queue+=("$helper"); }
      done
    done
  done
}
cd "$1/src"
status=0
for folder in */; do
  folder=${folder%/}
  allowed=$(below_or_at "$folder")
  for file in "$folder"/*; do
    while IFS=: read -r from line included; do
      [[ "$included" =~ ^($allowed)$ ]] && continue
      via=""; [[ "$from" != "$file" ]] && via=", a helper of $file,"
      echo "${from#../}:$line$via includes $included/, a floor above $folder/"
      status=1
    done < <(grep -Hno '^#include "[a-z_]*/' "$file" $(helpers "$file" | sort -u) |
             sed 's|#include "||; s|/$||')
  done
done
exit $status
