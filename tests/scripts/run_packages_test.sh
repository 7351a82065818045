#!/usr/bin/env bash
# ./run.sh on a machine that has none of the packages: it asks apt for every package of the run
# list and none of the test or packaging lists, builds only the two programs, and opens the
# window with the options given. apt-get, dpkg-query, cmake and the window are stand-ins that
# record what they were asked; nothing is installed or built.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*"
  exit 1
}

mkdir -p "$work/tree/build/bin" "$work/stubs"
cp "$source_dir/run.sh" "$work/tree/"
cp -r "$source_dir/scripts" "$work/tree/"
stub() {
  printf '#!/usr/bin/env bash\n%s\n' "$2" > "$work/stubs/$1"
  chmod +x "$work/stubs/$1"
}
stub dpkg-query 'exit 1'
stub id 'echo 0'
stub nproc 'echo 2'
stub apt-get "echo \"\$*\" >> $work/apt.log"
stub cmake "echo \"\$*\" >> $work/cmake.log"
printf '#!/usr/bin/env bash\necho "$*" > %s\n' "$work/window.log" > "$work/tree/build/bin/capcode-programmer"
chmod +x "$work/tree/build/bin/capcode-programmer"

PATH="$work/stubs:$PATH" "$work/tree/run.sh" --sim-usb pager.eep > "$work/run.out" ||
  fail "run.sh ended with $?: $(cat "$work/run.out")"

. "$source_dir/scripts/setup.sh"
install_line=$(grep '^install ' "$work/apt.log") || fail "run.sh installed nothing"
read -r -a asked <<< "${install_line#install -y --no-install-recommends }"
mapfile -t run_list < <(capcode_packages run)
mapfile -t other_lists < <(capcode_packages test package)
[ ${#run_list[@]} -gt 5 ] || fail "the run list is nearly empty"
[ ${#other_lists[@]} -gt 5 ] || fail "the test and package lists are nearly empty"
for pkg in "${run_list[@]}"; do
  printf '%s\n' "${asked[@]}" | grep -qx -- "$pkg" || fail "run.sh did not install $pkg"
done
for pkg in "${other_lists[@]}"; do
  printf '%s\n' "${asked[@]}" | grep -qx -- "$pkg" && fail "run.sh installed $pkg, which only the tests or the package need"
  printf '%s\n' "${run_list[@]}" | grep -qx -- "$pkg" && fail "$pkg is in the run list and another"
done
# The tools of the test suite by name, whatever list they were put in.
for pkg in postgresql clang-14 lintian libgtest-dev libbenchmark-dev; do
  printf '%s\n' "${asked[@]}" | grep -qx -- "$pkg" && fail "run.sh installed $pkg"
done

grep -q -- "-DCAPCODE_BUILD_TESTS=OFF" "$work/cmake.log" || fail "run.sh configures the tests"
grep -q -- "-DCAPCODE_BUILD_BENCH=OFF" "$work/cmake.log" || fail "run.sh configures the benchmark"
build_line=$(grep -- "--build" "$work/cmake.log") || fail "run.sh built nothing"
[[ "$build_line" == *"--target capcode capcode-programmer" ]] ||
  fail "run.sh builds more than the programs: $build_line"
[ "$(cat "$work/window.log")" = "--sim-usb pager.eep" ] || fail "the window did not get the options"
echo "run.sh installs the ${#run_list[@]} packages of the run list and builds the two programs"
