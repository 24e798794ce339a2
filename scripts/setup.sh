# Shared set-up for scripts/run and scripts/test: installs the Debian packages
# that are missing, then configures and builds the given build folder.
# Sourced, not run.

VELMORA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

VELMORA_PACKAGES=(
    cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev libhwy-dev libmpfr-dev
    fonts-ipafont-gothic qt6-translations-l10n
    desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin groff-base dpkg-dev
    xvfb xauth
)

velmora_install_packages() {
    local missing=()
    local pkg
    for pkg in "${VELMORA_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# velmora_build DIR [cmake options...]: configures once, then builds.
velmora_build() {
    local dir="$1"
    shift
    if [ ! -f "$VELMORA_ROOT/$dir/build.ninja" ]; then
        cmake -S "$VELMORA_ROOT" -B "$VELMORA_ROOT/$dir" -G Ninja "$@"
    fi
    cmake --build "$VELMORA_ROOT/$dir"
}
