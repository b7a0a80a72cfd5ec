#!/bin/sh
# The corpus replay must not write through a link planted at any name a local user could
# predict (such as one made of its process id), and must leave nothing behind.
# Usage: no_symlink_test.sh FUZZER INPUT...
set -eu
fuzzer=$1
shift
tmp=${TMPDIR:-/tmp}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'precious' > "$work/target"
# exec keeps the process id the link is named after.
sh -c 'ln -s "$1" "$2/properties-fuzz-$$.xml"; echo "$2/properties-fuzz-$$.xml" > "$3"; shift 3; exec "$@"' \
    sh "$work/target" "$tmp" "$work/link" "$fuzzer" "$@"
link=$(cat "$work/link")
rm -f "$link"
if [ "$(cat "$work/target")" != precious ]; then
    echo "the replay wrote through $link" >&2
    exit 1
fi
