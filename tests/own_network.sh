#!/bin/sh
# Runs a test in a network namespace of its own with only its loopback interface up, so that
# the real ports 50001 and 50100 are always free there, whatever else runs on the machine, and
# tests that bind them can run side by side. Root makes the namespace directly; anyone else in
# a user namespace of their own, where they are root too (so the test may also mount), or with
# --keep-user stay themselves (a test of what an ordinary user may do).
#
#   own_network.sh [--keep-user] COMMAND [ARGS...]
#
# When no namespace can be made the test fails, saying why: it never runs on the shared ports.
set -u

if [ "${1:-}" = --inside ]; then
  uid=$2
  gid=$3
  keep_user=$4
  shift 4
  PATH=$PATH:/usr/sbin:/sbin
  if ! ip link set lo up; then
    echo "own_network.sh: cannot bring up the loopback interface of the test's network" \
      "namespace ('ip link set lo up' failed; is iproute2 installed?)" >&2
    exit 1
  fi
  if [ -n "$keep_user" ] && [ "$uid" -ne 0 ]; then
    exec unshare --map-user="$uid" --map-group="$gid" "$@"
  fi
  exec "$@"
fi

keep_user=""
if [ "${1:-}" = --keep-user ]; then
  keep_user=1
  shift
fi
if [ $# -eq 0 ]; then
  echo "usage: $0 [--keep-user] COMMAND [ARGS...]" >&2
  exit 2
fi
options=--net
[ "$(id -u)" -eq 0 ] || options="--net --map-root-user"
# shellcheck disable=SC2086 # the options are words
if ! why=$(unshare $options true 2>&1); then
  echo "own_network.sh: cannot make a network namespace for the test (unshare $options:" \
    "$why). Run it as root, or allow user namespaces (sysctl" \
    "kernel.unprivileged_userns_clone=1, user.max_user_namespaces > 0)." >&2
  exit 1
fi
# shellcheck disable=SC2086
exec unshare $options sh "$0" --inside "$(id -u)" "$(id -g)" "$keep_user" "$@"
