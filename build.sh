#!/usr/bin/env bash
# Set-up, build and test of Qorvel on Debian 12.
#   ./build.sh run    install missing packages, build, start the program
#   ./build.sh test   install missing packages, build, run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libqt6svg6-dev qt6-l10n-tools qt6-translations-l10n
  unixodbc unixodbc-dev tdsodbc freetds-bin libsqliteodbc sqlite3
  libzip-dev libpcre2-dev
  libreoffice-calc-nogui
  libgtest-dev libgmock-dev poppler-utils
  libqscintilla2-qt6-dev
  fonts-noto-cjk breeze-icon-theme
  xvfb xauth
)

# Fuzzing of the SQL formatter (tests/fuzz): clang with its libFuzzer runtime builds the target
# in a folder of its own, and `test` runs it from its corpus for FUZZ_SECONDS (0 skips it).
PACKAGES+=(clang libclang-rt-14-dev)
FUZZ_DIR=${FUZZ_DIR:-build-fuzz}
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
FUZZ_ROOT=$PWD

run_formatter_fuzz() {
  [ "$FUZZ_SECONDS" -gt 0 ] || return 0
  (
    cd "$FUZZ_ROOT"
    if [ ! -f "$FUZZ_DIR/build.ninja" ]; then
      cmake -S . -B "$FUZZ_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQORVEL_FUZZ=ON -DQORVEL_BENCH=OFF
    fi
    cmake --build "$FUZZ_DIR" -j "$JOBS" --target fuzz_formatter
    # New inputs go to a scratch folder; the corpus in the repository is only read.
    mkdir -p "$FUZZ_DIR/formatter-found"
    "$FUZZ_DIR/tests/fuzz/fuzz_formatter" -seed=1 -max_total_time="$FUZZ_SECONDS" -timeout=10 \
      -artifact_prefix="$FUZZ_DIR/" "$FUZZ_DIR/formatter-found" tests/fuzz/corpus/formatter
  )
}

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

JOBS=${JOBS:-$(nproc)}
BUILD_DIR=${BUILD_DIR:-build}
CMAKE_EXTRA=()

# SANITIZE=1: address and undefined-behaviour sanitizers, in a build folder of their own
# (build-asan); leak reports are off, any other report fails the test that caused it.
if [ "${SANITIZE:-0}" = 1 ]; then
  BUILD_DIR=${SANITIZE_BUILD_DIR:-build-asan}
  CMAKE_EXTRA=(-DQORVEL_SANITIZE=ON -DQORVEL_BENCH=OFF)
  export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
fi

configure_and_build() {
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${CMAKE_EXTRA[@]}"
  fi
  cmake --build "$BUILD_DIR" -j "$JOBS"
}

case "${1:-}" in
  run)
    install_packages
    configure_and_build
    exec "$BUILD_DIR/qorvel" "${@:2}"
    ;;
  test)
    install_packages
    configure_and_build
    run_formatter_fuzz
    cd "$BUILD_DIR"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS" --timeout 600
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
