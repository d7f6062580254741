#!/usr/bin/env bash
# Renders the manual page with every groff warning on, and checks that the
# usage message it quotes is the one the tool prints:
# man_page_test.sh TABULOR MAN_PAGE
set -euo pipefail
tool=$1 page=$2
if ! command -v groff > /dev/null; then
  echo "groff is not installed: skipped"
  exit 77
fi
warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { echo "groff warnings:"; echo "$warnings"; exit 1; }
if command -v man > /dev/null; then
  warnings=$(MANWIDTH=80 man -l "$page" 2>&1 > /dev/null)
  [ -z "$warnings" ] || { echo "man warnings:"; echo "$warnings"; exit 1; }
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
usage=$(cd "$work" && "$tool" | sed -n 2p)
grep -qxF ".B $usage" "$page" || {
  echo "the page does not quote the usage message: $usage"; exit 1; }
echo "man_page: 1 passed, 0 failed"
