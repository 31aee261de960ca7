#!/usr/bin/env bash
# The program takes its shared libraries from the system's folders only: started from a folder
# that holds libraries of the same names (a download folder, a USB stick), it must not load
# those.
#
#   library_search.sh BINARY...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 BINARY..." >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=0
for binary in "$@"; do
  binary=$(realpath "$binary")
  # The dynamic loader that the program names lists what it would load.
  interpreter=$(readelf -l "$binary" | sed -n 's/.*Requesting program interpreter: \(.*\)]/\1/p' |
    head -n 1)
  # Stand-ins of every library it needs, in the folder it is started from.
  rm -f "$scratch"/*
  "$interpreter" --list "$binary" | awk '$2 == "=>" && $3 ~ /^\// {print $3}' |
    while read -r library; do ln -s "$library" "$scratch/"; done
  [ -n "$(ls "$scratch")" ] || { echo "FAIL: no libraries listed for $binary" >&2; exit 1; }
  # ld.so lists each library with the path it was found at; one found through a relative
  # search folder (the current one) has no absolute path.
  listing=$(cd "$scratch" && "$interpreter" --list "$binary")
  taken=$(echo "$listing" | awk '$1 !~ /^linux-vdso/ && $1 !~ /^\// && !($2 == "=>" && $3 ~ /^\//)')
  if [ -n "$taken" ]; then
    echo "FAIL: $binary takes libraries from the folder it is started from:" >&2
    echo "$taken" >&2
    failed=1
  fi
done
exit "$failed"
