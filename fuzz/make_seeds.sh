#!/usr/bin/env bash
# Rebuilds fuzz/seeds: the library's own files (fuzz_make_seeds, from a fuzz build)
# and two written by gsf, whose layout differs (sibling lists, storages with
# ENDOFCHAIN starts, stream times).
#   fuzz/make_seeds.sh [build-fuzz]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-fuzz}
seeds=$here/seeds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$seeds"
"$build/fuzz/fuzz_make_seeds" "$seeds"

mkdir -p "$work/book/chapters/one" "$work/flat"
head -c 12 /dev/zero | tr '\0' 'a' > "$work/book/title"
: > "$work/book/empty"
seq 1 1200 | head -c 5000 > "$work/book/chapters/one/text"
seq 1 40 > "$work/book/chapters/notes"
for i in 1 2 3 4 5 6; do seq "$i" 9 > "$work/flat/part$i"; done
gsf createole "$seeds/gsf_book.cfb" "$work/book"
gsf createole "$seeds/gsf_flat.cfb" "$work/flat"
ls -l "$seeds"
