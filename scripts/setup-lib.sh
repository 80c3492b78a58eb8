# Shared by the scripts: installs the Debian packages a step needs, once.
# Source it, then call: need_packages pkg...

need_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  if [ -z "${VARNOK_APT_UPDATED:-}" ]; then
    apt-get update -qq
    export VARNOK_APT_UPDATED=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What the LV2 plug-ins need: LV2's headers and schemas to build and validate
# them, lilv for the tests' own host, and hosts written elsewhere to judge them
# (lilv's tools, jalv under the dummy JACK server, ecasound).
LV2_PACKAGES=(lv2-dev liblilv-dev lilv-utils sordi jalv ecasound)

# What the native build needs (Unicorn runs 32-bit Windows DLLs in machine-host;
# Python writes the Analyzer's dialog table from its resource script; JACK
# plays songs live, and its server's dummy backend runs the live tests; the
# LV2 plug-ins are part of it).
NATIVE_PACKAGES=(cmake ninja-build g++ python3 libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libcli11-dev pkg-config libunicorn-dev libjack-jackd2-dev jackd2
  "${LV2_PACKAGES[@]}")

# What the Debian package's check needs (scripts/test-package): dpkg-shlibdeps
# to name the libraries the package depends on, and lintian to judge it.
PACKAGE_PACKAGES=(lintian dpkg-dev)

# What the emulator stage adds: the 32-bit MinGW-w64 toolchain for the DLLs
# (win32 threads: no thread library in them), Python for the comparisons, and
# a real recording to measure.
EMULATED_PACKAGES=(python3 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  mingw-w64-tools sound-theme-freedesktop)

# What the Windows builds need: MinGW-w64 (win32 threads for the 32-bit DLLs,
# posix threads for the 64-bit tests, which start threads), its pkg-config
# wrappers, GoogleTest's sources, and Wine with a virtual display for the tests.
WINDOWS_PACKAGES=(cmake ninja-build python3 pkg-config googletest libcli11-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64 xvfb xauth)

# What scripts/bench adds: sox to race, hyperfine and GNU time to time, and
# valgrind to count instructions where the processor's counters are hidden.
BENCH_PACKAGES=(sox hyperfine time valgrind python3)

# What the fuzz targets need: clang with libFuzzer and the sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
