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
# A line or free-format reader called on a file outside files/ and the
# input readers fails the check, naming the file, the line and the call; the
# same call in files/, or named in a comment, passes.
plant_reader() {  # plant_reader FILE CODE
  rm -rf "$work/core"
  cp -r "$root/src/core" "$work/core"
  echo "$2" >> "$work/core/$1"
}
for call in 'readLines(path)' 'splitLines(text)' 'FreeReader r(name, text);' 'freeReaderOfFile(path)'; do
  plant_reader results/tube_results.cpp "static void planted() { auto x = $call; }"
  line=$(wc -l < "$work/core/results/tube_results.cpp")
  if out=$("$root/scripts/check-layers.sh" "$work/core" 2>&1); then
    echo "FAIL: $call in results/ passed the reader check"
    exit 1
  fi
  name=${call%%[ (]*}
  if ! grep -qF "results/tube_results.cpp:$line: calls $name on a file" <<< "$out"; then
    echo "FAIL: the reader check did not name results/tube_results.cpp:$line and $name:"
    echo "$out"
    exit 1
  fi
done
plant_reader files/vertex_file.cpp "static void planted() { auto x = readLines(path); }"
if ! "$root/scripts/check-layers.sh" "$work/core" > "$work/out" 2>&1; then
  echo "FAIL: a line reader in files/ was refused:"
  cat "$work/out"
  exit 1
fi
plant_reader pipeline/run_loop.cpp "// readLines(path) is what files/ calls"
if ! "$root/scripts/check-layers.sh" "$work/core" > "$work/out" 2>&1; then
  echo "FAIL: a reader named in a comment was refused:"
  cat "$work/out"
  exit 1
fi
echo "check_layers_test: passed"
