#!/usr/bin/env bash
# Runs the demo without packing on two commits and compares every file the
# two runs leave, byte for byte: the check that a change keeps the outputs
# it does not mean to change.
#
#   scripts/compare-demo.sh BASE [OTHER]
#
# BASE and OTHER are commits (OTHER defaults to the working tree as it
# stands, uncommitted changes included). Each is built (command line only)
# in build-compare/<name>/ and its demo written to build-compare/<name>/demo.
# Prints the files that differ or exist on one side only; exit 1 when any do.
# Phreatix.log differs by its run times and is compared without them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out="$root/build-compare"
mkdir -p "$out"

# The sources of a commit, in a work tree of their own ("." for the working tree).
checkout() {
  local rev=$1 dir=$2
  if [ "$rev" = "." ]; then
    echo "$root"
    return
  fi
  # Resolved here: inside the reused work tree "HEAD" would be its own.
  rev=$(git -C "$root" rev-parse --verify "$rev^{commit}")
  if [ ! -d "$dir/src" ]; then
    git worktree add --detach "$dir/src" "$rev" > /dev/null
  else
    git -C "$dir/src" checkout --quiet --detach "$rev"
  fi
  echo "$dir/src"
}

run_demo() {
  local rev=$1 name=$2
  local dir="$out/$name"
  mkdir -p "$dir"
  local src
  src=$(checkout "$rev" "$dir")
  cmake -S "$src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPHREATIX_BUILD_UI=OFF -DPHREATIX_BUILD_TESTS=OFF -DPHREATIX_BUILD_BENCH=OFF > /dev/null
  cmake --build "$dir/build" --target phreatix-cli > /dev/null
  rm -rf "$dir/demo"
  "$dir/build/src/cli/phreatix-cli" demo "$dir/demo" --no-pack > "$dir/demo.out" 2>&1 || true
}

base=${1:?usage: scripts/compare-demo.sh BASE [OTHER]}
other=${2:-.}
run_demo "$base" base
run_demo "$other" other

status=0
a="$out/base/demo" b="$out/other/demo"
while IFS= read -r name; do
  if [ ! -e "$a/$name" ] || [ ! -e "$b/$name" ]; then
    echo "only in one run: $name"
    status=1
  elif [ "$name" = Phreatix.log ]; then
    # Run times ("... s") vary from run to run.
    if ! diff -q <(sed -E 's/[0-9]+(\.[0-9]+)? s\b/# s/g' "$a/$name") \
                 <(sed -E 's/[0-9]+(\.[0-9]+)? s\b/# s/g' "$b/$name") > /dev/null; then
      echo "differs: $name"
      status=1
    fi
  elif [ "$name" = rapport.html ]; then
    # It names its working directory, which is not the same folder.
    if ! diff -q <(sed "s#$a#DIR#g" "$a/$name") <(sed "s#$b#DIR#g" "$b/$name") > /dev/null; then
      echo "differs: $name"
      status=1
    fi
  elif ! cmp -s "$a/$name" "$b/$name"; then
    echo "differs: $name"
    status=1
  fi
done < <( (cd "$a" && find . -type f -printf '%P\n'; cd "$b" && find . -type f -printf '%P\n') | sort -u)
echo "compare-demo: $(cd "$a" && find . -type f | wc -l) files in $base, $(cd "$b" && find . -type f | wc -l) in $other"
exit $status
