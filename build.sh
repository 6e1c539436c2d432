#!/usr/bin/env bash
# Set-up, build and test of Qorvel on Debian 12.
#   ./build.sh run    install missing packages, build, start the program
#   ./build.sh test   install missing packages, build, run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libqt6svg6-dev qt6-l10n-tools
  unixodbc unixodbc-dev tdsodbc freetds-bin libsqliteodbc sqlite3
  libzip-dev libpcre2-dev
  libgtest-dev libgmock-dev poppler-utils
  fonts-noto-cjk breeze-icon-theme
  xvfb xauth
)

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

configure_and_build() {
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
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
    cd "$BUILD_DIR"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$JOBS" --timeout 600
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
