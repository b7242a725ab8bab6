#!/usr/bin/env bash
# Runs every native test program of a build folder once under Valgrind's
# memcheck: any memory error or any definite or indirect leak fails.
#
#   tools/run_valgrind.sh [build folder]     (default: build/native)
#
# The programs are the ones ctest knows that were built in the folder; each
# runs whole, in the working directory ctest would give it, two at a time
# (ctest runs them side by side too). Logs land in <build>/valgrind/.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/native}
logs=$build/valgrind
mkdir -p "$logs"

mapfile -t programs < <(ctest --test-dir "$build" --show-only=json-v1 | /usr/bin/python3 -c '
import json, os, sys
build = os.path.realpath(sys.argv[1])
seen = {}
for test in json.load(sys.stdin)["tests"]:
    command = test.get("command") or []
    # Only the project'"'"'s own programs: a test run by an interpreter checks
    # data, not the module'"'"'s memory.
    if not command or not os.path.realpath(command[0]).startswith(build + os.sep):
        continue
    workdir = next((p["value"] for p in test.get("properties", [])
                    if p["name"] == "WORKING_DIRECTORY"), ".")
    # A GoogleTest program runs whole, once; any other test as ctest runs it.
    gtest = any(a.startswith("--gtest_filter=") for a in command[1:])
    arguments = ["--gtest_brief=1"] if gtest else command[1:]
    seen.setdefault(command[0], [workdir] + arguments)
for program, rest in seen.items():
    print("\t".join([program] + rest))
' "$build")

if ((${#programs[@]} == 0)); then
  echo "valgrind: no test programs in $build" >&2
  exit 1
fi

# One program under memcheck; its verdict is printed, and a failure leaves
# a file <log>.failed.
check() {
  local program=$1 workdir=$2
  shift 2
  local name log start=$SECONDS
  name=$(basename "$program")
  log=$(realpath "$logs")/$name.log
  rm -f "$log.failed"
  if (cd "$workdir" && valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
        --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
        --track-origins=yes --log-file="$log" "$program" "$@" >"$log.out" 2>&1); then
    echo "valgrind: $name clean ($((SECONDS - start)) s)"
  else
    if grep -q "ERROR SUMMARY: 0 errors" "$log"; then
      echo "valgrind: $name: no memory errors, but the program itself failed; see $log.out" >&2
      tail -n 20 "$log.out" >&2
    else
      echo "valgrind: $name: MEMORY ERRORS OR LEAKS; see $log" >&2
      grep -E -A 25 "^==[0-9]+== (Invalid|Conditional|Use of|Syscall|Mismatched|.*definitely lost|.*indirectly lost)" \
        "$log" | head -n 80 >&2 || tail -n 40 "$log" >&2
    fi
    touch "$log.failed"
  fi
}

for entry in "${programs[@]}"; do
  IFS=$'\t' read -r -a fields <<<"$entry"
  # At most two at once: wait for one to end before starting a third.
  while (($(jobs -rp | wc -l) >= 2)); do wait -n || true; done
  check "${fields[@]}" &
done
wait

failed=()
for entry in "${programs[@]}"; do
  name=$(basename "${entry%%$'\t'*}")
  if [ -e "$logs/$name.log.failed" ]; then failed+=("$name"); fi
done
if ((${#failed[@]})); then
  echo "valgrind: failed: ${failed[*]}" >&2
  exit 1
fi
