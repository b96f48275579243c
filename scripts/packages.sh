# Debian packages the build, the tests and the demo need; sourced by the
# scripts beside it.  Installs the missing ones with apt-get.  cups-filters
# and openprinting-ppds are what a real print server has beside CUPS (a
# foomatic-rip, format conversions, PPD files): the tests must pass with
# them, and the benchmark measures the scheduler with them.  ansible-core and
# OpenSSH are for the fleet tests' lab (tests/fleet); installing
# openssh-server may start the machine's own sshd, which the lab never uses.

LUMO_PACKAGES="cmake make g++ libcups2-dev zlib1g-dev libgtest-dev python3 python3-pytest
  cups-daemon cups-client cups-ppdc cups-filters openprinting-ppds checkpolicy semodule-utils
  util-linux iproute2 procps gzip tar groff-base clang libclang-rt-14-dev strace
  nlohmann-json3-dev ansible-core openssh-server openssh-client"

install_missing_packages() {
  missing=""
  for package in $LUMO_PACKAGES "$@"; do
    dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
      missing="$missing $package"
  done
  [ -z "$missing" ] && return 0
  echo "Installing Debian packages:$missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
    --no-install-recommends $missing
}

# Configures the checking build in build-check/: clang++ with the
# sanitizers and the libFuzzer hooks, for the unit tests under the
# sanitizers and the fuzz targets alike.
configure_checking_tree() {
  cmake -S "$1" -B "$1/build-check" -DLUMO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
}

# Builds setup, the tests and the product package (build/lumo-4.0-0.tar.gz).
build_tree() {
  cmake -S "$1" -B "$1/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$1/build" -j "$(nproc)" &&
    cmake --build "$1/build" --target package >/dev/null
}
