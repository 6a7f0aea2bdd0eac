#!/usr/bin/env bash
# Installs the missing Debian packages of the lists named (build, run, test; see
# tools/debian-packages.txt), or of all lists when none is named.
# A fast no-op when everything is present.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=("$@")
[ ${#lists[@]} -eq 0 ] && lists=(build run test)
for list in "${lists[@]}"; do
  grep -q -x "\[$list\]" "$here/debian-packages.txt" || {
    echo "error: no package list [$list] in tools/debian-packages.txt" >&2
    exit 2
  }
done

# The packages of the named lists: the lines after a list's [name], up to the next list.
mapfile -t wanted < <(awk -v names=" ${lists[*]} " '
  /^[[:space:]]*(#|$)/ { next }
  /^\[.*\]$/ { list = substr($0, 2, length($0) - 2); next }
  index(names, " " list " ") { print $1 }' "$here/debian-packages.txt")
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "error: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
