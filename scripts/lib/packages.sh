# Sourced by the scripts: install_package_list FILE installs the Debian packages that
# FILE lists (one a line, '#' comments) and are not installed yet. Without root it
# names the missing ones and returns 1.
install_package_list() {
    local list=$1 p missing=()
    mapfile -t wanted < <(grep -v '^\s*#' "$list" | grep -v '^\s*$')
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}; run this script as root (or with sudo) to install them." >&2
        return 1
    fi
    echo "Installing ${#missing[@]} Debian packages (a minute or two): ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    echo "Packages installed." >&2
}
