#!/usr/bin/env bash
# The layer check must pass on the core as it is and fail, naming the file,
# on an include that crosses a layer: engine/ including coupling/ (side by
# side), results/ including preprocessor/, and text/ including platform/
# (upward).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$root/scripts/check-layers.sh" "$root/src/core" > /dev/null

plant() {  # plant FOLDER INCLUDED EXPECTED-TEXT
  rm -rf "$work/core"
  cp -r "$root/src/core" "$work/core"
  local file
  file=$(ls "$work/core/$1"/*.cpp | head -1)
  sed -i "1i #include \"$2/planted.h\"" "$file"
  if out=$("$root/scripts/check-layers.sh" "$work/core" 2>&1); then
    echo "FAIL: an include of $2/ in $1/ passed the layer check"
    exit 1
  fi
  if ! grep -qF "$3" <<< "$out"; then
    echo "FAIL: the layer check did not say \"$3\":"
    echo "$out"
    exit 1
  fi
}
plant engine coupling "engine includes coupling/, which it may not"
plant results preprocessor "results includes preprocessor/, which it may not"
plant text platform "text includes platform/, which it may not"

# A new folder without a place in the table is refused too.
rm -rf "$work/core"
cp -r "$root/src/core" "$work/core"
mkdir "$work/core/extra" && echo '// new' > "$work/core/extra/a.cpp"
if "$root/scripts/check-layers.sh" "$work/core" > "$work/out" 2>&1 || ! grep -q "extra has no place" "$work/out"; then
  echo "FAIL: a folder outside the table passed"
  exit 1
fi
echo "check_layers_test: passed"
