# Shared by run.sh, test.sh and .ci/run: installs the Debian packages Quillet
# needs when any is missing, then configures and builds into ./build.
# Sourced, not run: the caller has already set -euo pipefail and cd'ed here.

quillet_packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev      # Qt Core, Gui, Widgets, Xml and Test with their CMake files
    libgl-dev         # Qt's Gui CMake package looks for OpenGL headers
    qt6-qpa-plugins   # the xcb, wayland and offscreen platforms
    libqt6gui6        # carries the JPEG image plugin, which links libjpeg
    libjpeg62-turbo
    fonts-dejavu-core # text needs at least one font, also offscreen
    e2fsprogs         # chattr, with which the tests make a folder unwritable even for root
    desktop-file-utils appstream # the validators that the install test runs
    dpkg-dev file     # dpkg-shlibdeps and file, with which the Debian package finds its dependencies
    binutils-mingw-w64-x86-64 # x86_64-w64-mingw32-windres, with which a test compiles the Windows resources
    qt6-httpserver-dev qt6-websockets-dev # the local web servers of the online check's tests (QtHttpServer's CMake package needs WebSockets')
    ca-certificates   # the certificate authorities that --check --online trusts for https
    libyaml-cpp-dev   # the YAML of the winget manifests that File, Export and --export write
    libssl-dev        # libcrypto, whose SHA-256 uses the processor's SHA instructions, for the installer's hash
)

quillet_missing_packages() {
    local package
    for package in "$@"; do
        if [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" != "install ok installed" ]; then
            printf '%s\n' "$package"
        fi
    done
}

# Installs the packages named, or without arguments those Quillet needs.
quillet_install_packages() {
    local wanted=("$@")
    [ "$#" -eq 0 ] && wanted=("${quillet_packages[@]}")
    local missing
    mapfile -t missing < <(quillet_missing_packages "${wanted[@]}")
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "These Debian packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

quillet_build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build --parallel "$(nproc)"
}
