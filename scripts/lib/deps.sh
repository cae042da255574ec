# Sourced by scripts/test and scripts/run: makes sure the Debian packages the project needs are there.

KORVANA_PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-svg-dev libqt6svg6
    libmariadb-dev mariadb-server mariadb-client libsecret-1-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation fonts-wqy-microhei clang-format clang-tidy
    xvfb xauth openbox xdotool x11-utils
    openssl gnome-keyring dbus-daemon openssh-client openssh-server
    desktop-file-utils appstream dpkg-dev
    clang-14 libclang-rt-14-dev
)

korvana_missing_packages() {
    local p missing=()
    for p in "${KORVANA_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    echo "${missing[@]:-}"
}

korvana_ensure_packages() {
    local missing
    missing=$(korvana_missing_packages)
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages. Install them with:" >&2
        echo "  sudo apt-get install -y $missing" >&2
        return 1
    fi
    echo "installing: $missing"
    apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}
