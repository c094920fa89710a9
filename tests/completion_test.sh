#!/usr/bin/env bash
# The bash completion offers the option names that a word begins, file names
# after the options that take a file, and nothing after those that take free
# text.
# Usage: completion_test.sh <completion script>
set -u
script=$1
status=0
fail() { echo "FAIL: $*"; status=1; }

# shellcheck source=/dev/null
source "$script" || { echo "FAIL: cannot source $script"; exit 1; }
complete -p quorvane >/dev/null 2>&1 || fail "no completion registered for quorvane"

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch 'export list.txt' export2.txt report.txt
mkdir exports

# Completes the last of the given words; the result is in COMPREPLY.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _quorvane quorvane "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}

# Checks that COMPREPLY holds exactly the expected words, in any order.
expect() {
  local what=$1
  shift
  local got want
  got=$(printf '%s\n' "${COMPREPLY[@]+"${COMPREPLY[@]}"}" | sort)
  want=$(printf '%s\n' "$@" | sort)
  [ "$got" = "$want" ] || fail "$what: got [${got//$'\n'/ }], want [${want//$'\n'/ }]"
}

# Which names it offers is checked against the option table by the unit
# tests; here, that it offers those the word begins.
complete_words quorvane -
after_dash=("${COMPREPLY[@]}")
complete_words quorvane ''
expect "on an empty word" "${after_dash[@]}"
complete_words quorvane -i export.txt --i
expect "after --i" --input --ignore
complete_words quorvane '-?'
expect "after -?" '-?'

for option in -i -o -l --input --output --log /i /o /l; do
  complete_words quorvane "$option" ''
  expect "after $option" 'export list.txt' export2.txt report.txt exports
  complete_words quorvane "$option" ex
  expect "after $option ex" 'export list.txt' export2.txt exports
done
complete_words quorvane -i export2.txt -o r
expect "after -o r" report.txt

for option in -s -n --hole --ignore /s /n; do
  complete_words quorvane "$option" ''
  expect "after $option" 
done

complete_words quorvane -i x -- -
expect "after --"
exit $status
