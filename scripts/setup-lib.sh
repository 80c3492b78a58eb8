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

# The packages of each stage, and what each one is for: the one list of the
# project's dependencies, all from Debian's archive (the README points here).

# The native build and its tests: scripts/test, scripts/demo, the sanitizers.
NATIVE_PACKAGES=(
  cmake ninja-build g++ pkg-config  # building
  python3                           # the Analyzer's dialog table, written from its resource script
  libgtest-dev libgmock-dev         # the tests
  libbenchmark-dev                  # the benchmarks (machine-bench)
  libsndfile1-dev                   # reading and writing audio files in machine-host; reading renders in the tests
  libcli11-dev                      # machine-host's command line
  libunicorn-dev                    # the processor emulator that runs the 32-bit DLLs (host/pe32/)
  libjack-jackd2-dev jackd2         # machine-host play and live; the dummy server the live and LV2 tests start,
                                    # and the keyboard (jack_midiseq) and patchbay (jack_connect) they use
  lv2-dev                           # the LV2 plug-ins' headers, and the schemas lv2_validate checks their .ttl files against
  liblilv-dev                       # our renderer on lilv, for the LV2 tests and benchmarks
  lilv-utils sordi jalv ecasound    # hosts written elsewhere that judge the LV2 plug-ins: lv2info, lv2ls, lv2apply,
                                    # lv2bench, lv2_validate (with sordi's sord_validate), jalv, ecasound
)

# What the Debian package's check adds (scripts/test-package).
PACKAGE_PACKAGES=(
  dpkg-dev  # dpkg-shlibdeps, which names the libraries the package depends on
  lintian   # the judge of the package
)

# What the emulator stage adds (scripts/test-emulated).
EMULATED_PACKAGES=(
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-tools  # the 32-bit DLLs (win32 threads: no thread library in them)
  python3                  # the comparisons with the native build
  sound-theme-freedesktop  # a real recording measured through both Analyzers
  time                     # the peak memory of machine-host running a hostile DLL
)

# What the Windows builds need (scripts/test-windows).
WINDOWS_PACKAGES=(
  cmake ninja-build pkg-config libcli11-dev  # building
  googletest                                 # GoogleTest's sources, built for MinGW
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686      # the 32-bit DLLs
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64  # the 64-bit build, whose tests start threads
  mingw-w64-tools                            # MinGW's pkg-config wrappers
  wine64 xvfb xauth                          # the Windows tests, on a virtual display
  python3                                    # the checks on the DLLs (tests/windows/check_dll.py)
)

# What scripts/bench adds.
BENCH_PACKAGES=(
  sox        # the race: machine-host against sox
  hyperfine  # timing machine-host against sox
  time       # the peak memory of a render
  valgrind   # counting the Chip's instructions per sample where the counters are hidden
  python3    # reading callgrind's count (bench/instructions_per_sample.py)
)

# What the fuzz targets need (scripts/fuzz).
FUZZ_PACKAGES=(clang libclang-rt-14-dev)  # clang with libFuzzer and the sanitizer runtimes

# The Chip's spectrogram (scripts/spectrogram) and the Analyzer's screenshot
# (scripts/screenshot-analyzer).
SPECTROGRAM_PACKAGES=(sox)
SCREENSHOT_PACKAGES=(imagemagick)
