#!/usr/bin/env bash
# Checks, with strace, that a run flushes the new mapping file to disk
# before it renames it into place, and syncs the directory after: both for a
# new file and for one it replaces. durable_order_test.sh TABULOR
set -euo pipefail
tool=$1
if ! command -v strace > /dev/null; then
  echo "strace is not installed: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'A 41 B 41\r\n' > 300.cp
# LeakSanitizer cannot run under ptrace; a sanitized build leaks no less
# for it, and its other tests look for leaks.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
for round in new replaced; do
  strace -o trace -e trace=openat,fsync,fdatasync,rename,renameat,renameat2 \
    "$tool" 300 > /dev/null
  # The calls in order, each descriptor named by the last file opened on it.
  order=$(awk '
    /^openat\(.*"\.tabulor-[0-9]+-[0-9]+\.tmp"/ { file[$NF] = "file" }
    /^openat\(AT_FDCWD, "\.", .*O_DIRECTORY/ { file[$NF] = "directory" }
    /^f(data)?sync\(/ {
      fd = $0; sub(/^f(data)?sync\(/, "", fd); sub(/\).*/, "", fd)
      if ($NF == 0) printf "sync-%s ", file[fd]
    }
    /^rename.*\.tmp", "zel-300_p100-2006\.ucm"\) += 0$/ { printf "rename " }
  ' trace)
  if [ "$order" != "sync-file rename sync-directory " ]; then
    echo "$round file: expected sync-file rename sync-directory, got: $order"
    cat trace
    exit 1
  fi
done
echo "durable_order: 1 passed, 0 failed"
