#!/usr/bin/env bash
# Installs the build into a temporary prefix and converts the sample table
# with the installed tool: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" > /dev/null
test -x "$work/prefix/bin/tabulor"
gzip -t "$work/prefix/share/man/man1/tabulor.1.gz"
gzip -t "$work/prefix/share/doc/tabulor/changelog.gz"
grep -q "^License: Expat" "$work/prefix/share/doc/tabulor/copyright"
test -f "$work/prefix/share/bash-completion/completions/tabulor"
mkdir "$work/run"
cp "$source/examples/300.cp" "$work/run/"
output=$(cd "$work/run" && "$work/prefix/bin/tabulor" 300)
[ "$output" = $'\nUCM File zel-300_p100-2006.ucm created' ] || {
  echo "unexpected message: $output"; exit 1; }
cmp "$source/examples/zel-300_p100-2006.ucm" "$work/run/zel-300_p100-2006.ucm"
echo "install: 1 passed, 0 failed"
