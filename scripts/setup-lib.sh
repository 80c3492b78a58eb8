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

# What the native build needs (Unicorn runs 32-bit Windows DLLs in machine-host;
# Python writes the Analyzer's dialog table from its resource script; JACK
# plays songs live, and its server's dummy backend runs the live tests).
NATIVE_PACKAGES=(cmake ninja-build g++ python3 libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libcli11-dev pkg-config libunicorn-dev libjack-jackd2-dev jackd2)

# What the emulator stage adds: the 32-bit MinGW-w64 toolchain for the DLLs
# (win32 threads: no thread library in them), Python for the comparisons, a
# real recording to measure, and GNU time for the peak memory of a run.
EMULATED_PACKAGES=(python3 g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  mingw-w64-tools sound-theme-freedesktop time)

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
