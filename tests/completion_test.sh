#!/usr/bin/env bash
# Runs the bash completion in a real bash and checks what it offers:
# completion_test.sh COMPLETION_FILE
set -euo pipefail
completion=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir sub zel-sub empty
touch 300.cp 0300.cp .cp 'my table.cp' notes.txt zel-300_p100-2006.ucm \
      sub/300.cp sub/.cp cp.cp.txt

# What the completion offers for the words of a command line, one a line,
# sorted; the cursor is on the last word.
offers() {
  bash --norc --noprofile -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _tabulor
    printf "%s\n" "${COMPREPLY[@]}"' bash "$completion" "$@" | sort
}

failures=0
expect() {
  local want=$1 got
  shift
  got=$(offers "$@")
  if [ "$got" != "$want" ]; then
    echo "tabulor ${*:2} <TAB>: expected [$want], got [$got]"
    failures=$((failures + 1))
  fi
}
nl=$'\n'
expect "0300${nl}300${nl}empty${nl}my table${nl}sub${nl}zel-sub" tabulor ""
expect "300" tabulor 3
expect "0300" tabulor 0
expect "my table" tabulor my
expect "sub/300" tabulor sub/
expect "" tabulor empty/
expect "" tabulor 300 ""
expect "" tabulor 300 3
# Registered for the command, as bash-completion loads it.
complete_line=$(bash --norc --noprofile -c 'source "$1"; complete -p tabulor' \
  bash "$completion")
[ "$complete_line" = "complete -F _tabulor tabulor" ] || {
  echo "not registered: $complete_line"; failures=$((failures + 1)); }
if ((failures)); then
  echo "completion: 0 passed, $failures failed"
  exit 1
fi
echo "completion: 1 passed, 0 failed"
