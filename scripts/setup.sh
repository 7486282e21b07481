# Shared by scripts/run and scripts/test: finds the tree and installs what the
# build needs from Debian's packages. Sourced, not run.

TVK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TVK_JOBS="$(nproc 2>/dev/null || echo 2)"

TVK_PACKAGES=(
    g++ cmake ninja-build pkg-config ccache
    qtbase5-dev qtbase5-dev-tools
    libusb-1.0-0-dev liblcms2-dev liblcms2-utils libxcb1-dev fonts-dseg
    xvfb xauth gphoto2
    umockdev libumockdev-dev
    libexiv2-dev libimage-exiftool-perl
)

tvk_install_packages() {
    local missing=() package
    for package in "${TVK_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ "${#missing[@]}" -eq 0 ] && return 0

    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# tvk_build DIR [cmake options...]: configures once, then builds.
tvk_build() {
    local dir="$1"
    shift
    cmake -S "$TVK_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" --parallel "$TVK_JOBS"
}
