#!/usr/bin/env bash
# Cross-builds the Windows package, talvo-perabo-windows-x64.zip, on Debian 12:
#   scripts/windows.sh [BUILD_DIR]        (default build-windows/)
# Every library comes from a Debian source package fetched with apt-get source through
# a private apt configuration under BUILD_DIR (deb-src lines for the mirror this
# machine's apt already uses; the machine's own apt sources are left alone):
#   freetype    static, for the text drawing
#   libsdl1.2   SDL.dll, shipped beside the executable, and SDLmain
#   gsoap       the SOAP runtime (stdsoap2.cpp), the version of the Linux soapcpp2
#   libpcap     its public headers only; the program links wpcap.dll (Npcap) through
#               an import library made from cmake/windows/wpcap.def
# Built libraries are cached under BUILD_DIR/deps, keyed on the source package version
# and the compiler version. SDL_ttf is not among them (the mirror does not serve its
# source): the Windows build draws text through FreeType behind the same calls.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$top/build-windows}" && cd "${1:-$top/build-windows}" && pwd)
host=x86_64-w64-mingw32
recipe=1  # raise when a library's build steps below change: rebuilds the cache
jobs=$(nproc)
started=$SECONDS

. "$top/scripts/lib/packages.sh"
install_package_list "$top/scripts/packages.txt"
install_package_list "$top/scripts/packages-windows.txt"

log() { echo "windows.sh: $*"; }
die() { echo "windows.sh: $*" >&2; exit 1; }

# --- Sources through a private apt configuration -----------------------------------

apt_dir=$build/apt

# deb-src twins of the machine's enabled deb sources (deb822 *.sources and one-line
# *.list files), with their keyrings.
write_source_list() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk '
            function flush() {
                if (types ~ /(^| )deb( |$)/ && enabled != "no" && uris != "") {
                    n = split(uris, u, " "); m = split(suites, s, " ")
                    opt = keyring != "" ? "[signed-by=" keyring "] " : ""
                    for (i = 1; i <= n; i++) for (j = 1; j <= m; j++)
                        print "deb-src " opt u[i] " " s[j] " " components
                }
                types = uris = suites = components = keyring = enabled = ""
            }
            /^[ \t]*#/ { next }
            /^[ \t]*$/ { flush(); next }
            {
                key = tolower($1); sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
                if (key == "types") types = $0
                else if (key == "uris") uris = $0
                else if (key == "suites") suites = $0
                else if (key == "components") components = $0
                else if (key == "signed-by") keyring = $0
                else if (key == "enabled") enabled = tolower($0)
            }
            END { flush() }' "$file"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        sed -n 's/^[ \t]*deb[ \t]\+/deb-src /p' "$file"
    done
}

private_apt() {
    mkdir -p "$apt_dir"/{lists/partial,cache/archives/partial,parts,preferences}
    write_source_list | sort -u >"$apt_dir/sources.list.new"
    [ -s "$apt_dir/sources.list.new" ] || die "no enabled deb source in /etc/apt to mirror as deb-src"
    # Replaced only when it changed, so its time tells when the index must be read again.
    if cmp -s "$apt_dir/sources.list.new" "$apt_dir/sources.list"; then
        rm "$apt_dir/sources.list.new"
    else
        mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
    fi
    cat >"$apt_dir/apt.conf" <<EOF
Dir::Etc::sourcelist "$apt_dir/sources.list";
Dir::Etc::sourceparts "$apt_dir/parts";
Dir::Etc::preferencesparts "$apt_dir/preferences";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache "$apt_dir/cache";
APT::Sandbox::User "root";
EOF
    export APT_CONFIG=$apt_dir/apt.conf
    # The source index is read again when it is older than a day or the list changed.
    if [ -z "$(find "$apt_dir/updated" -mtime -1 -newer "$apt_dir/sources.list" 2>/dev/null)" ]; then
        log "reading the source index of $(awk '{print $3 " " $4}' "$apt_dir/sources.list" | sort -u | tr '\n' ' ')"
        apt-get update -qq || die "apt-get update through $apt_dir/apt.conf failed"
        touch "$apt_dir/updated"
    fi
}

# The highest version of a source package that the mirror offers.
source_version() {
    local best="" v
    for v in $(apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ {print $2}'); do
        if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
    done
    [ -n "$best" ] || die "the mirror offers no source package $1"
    echo "$best"
}

# Unpacks source package $1 at version $2 (Debian's patches applied) into $3.
fetch_source() {
    local name=$1 version=$2 dir=$3 download=$build/downloads
    mkdir -p "$download"
    local dsc=$download/${name}_${version#*:}.dsc
    if [ ! -f "$dsc" ]; then
        (cd "$download" && apt-get source -qq --download-only "$name=$version") ||
            die "apt-get source $name=$version failed"
    fi
    rm -rf "$dir"
    dpkg-source --no-check -x "$dsc" "$dir" >/dev/null
}

# --- Libraries ------------------------------------------------------------------------

compiler=$($host-gcc-posix -dumpversion)
deps=$build/deps
work=$build/work
mkdir -p "$deps" "$work"

# Runs build_$1 into a prefix keyed on the source version, unless one is there.
# Prints the prefix.
cached_library() {
    local name=$1 package=$2 version prefix
    version=$(source_version "$package")
    prefix=$deps/$name-$version-gcc$compiler-r$recipe
    if [ ! -f "$prefix/.built" ]; then
        log "building $name from $package $version" >&2
        rm -rf "$prefix"
        fetch_source "$package" "$version" "$work/$name"
        (cd "$work/$name" && "build_$name" "$prefix") >"$work/$name.log" 2>&1 ||
            die "building $name failed; see $work/$name.log"
        touch "$prefix/.built"
        rm -rf "$work/$name"
    fi
    echo "$prefix"
}

build_freetype() {
    ./configure --host=$host --prefix="$1" --disable-shared --enable-static \
        --with-zlib=no --with-bzip2=no --with-png=no --with-harfbuzz=no --with-brotli=no
    make -j"$jobs"
    make install
}

build_sdl() {
    # Debian's patch drops -lmingw32 -lSDLmain -mwindows from sdl.pc and sdl-config,
    # without which Windows programs do not link.
    patch -R -p1 <debian/patches/dont_propagate_lpthread.diff
    ./configure --host=$host --prefix="$1" --enable-shared --disable-static \
        --disable-audio --disable-cdrom --disable-joystick --disable-directx
    make -j"$jobs"
    make install
}

build_gsoap() {
    # The runtime only, with the options Debian's libgsoap++ is built with (they
    # change the layout of struct soap); soapcpp2 is the Linux one.
    local flags="-O2 -DWITH_IPV6 -DWITH_DOM -DWIN32_LEAN_AND_MEAN"
    mkdir -p "$1/include" "$1/lib"
    $host-g++-posix $flags -x c++ -c gsoap/stdsoap2.cpp -o stdsoap2.o
    $host-g++-posix $flags -x c++ -c gsoap/dom.cpp -o dom.o
    $host-ar rcs "$1/lib/libgsoap++.a" stdsoap2.o dom.o
    cp gsoap/stdsoap2.h "$1/include/"
}

build_pcap_headers() {
    mkdir -p "$1/include/pcap"
    cp pcap.h "$1/include/"
    cp pcap/*.h "$1/include/pcap/"
}

private_apt
freetype=$(cached_library freetype freetype)
sdl=$(cached_library sdl libsdl1.2)
gsoap=$(cached_library gsoap gsoap)
pcap=$(cached_library pcap_headers libpcap)
linux_soapcpp2=$(dpkg-query -W -f='${Version}' gsoap 2>/dev/null || true)
[ "${linux_soapcpp2%%-*}" = "$(basename "$gsoap" | sed 's/^gsoap-\([^-]*\)-.*/\1/')" ] ||
    die "the gsoap source ($gsoap) is not the version of the Linux soapcpp2 ($linux_soapcpp2)"

# --- The program and its package -----------------------------------------------------

program=$build/program
. "$top/scripts/lib/configure.sh"
configure "$top" "$program" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/windows/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DPERABO_TESTS=OFF \
    -DPERABO_WIN_FREETYPE="$freetype" -DPERABO_WIN_SDL="$sdl" \
    -DPERABO_WIN_GSOAP="$gsoap" -DPERABO_WIN_PCAP="$pcap"
cmake --build "$program" -j"$jobs" --target talvo-perabo

stage=$build/package/talvo-perabo
rm -rf "$build/package"
mkdir -p "$stage"
cp "$program/talvo-perabo.exe" "$sdl/bin/SDL.dll" "$stage/"
$host-strip --strip-unneeded "$stage/talvo-perabo.exe" "$stage/SDL.dll"
cp -r "$program/img" "$program/font" "$program/firmware" "$stage/"
cp "$top/resources/windows/README.txt" "$stage/"
zip=$build/talvo-perabo-windows-x64.zip
rm -f "$zip"
(cd "$build/package" && cmake -E tar cf "$zip" --format=zip talvo-perabo)

"$top/tests/windows/check_imports.sh" "$stage" "$top/cmake/windows/wpcap.def"
log "built $zip ($(stat -c %s "$zip") bytes) in $((SECONDS - started)) s"
