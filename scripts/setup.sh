# Shared by run.sh and test.sh (sourced): Debian packages, locale, ODBC drivers, the Release build.

MV_APP_PACKAGES=(
    build-essential cmake ninja-build
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6svg6 qt6-translations-l10n libqscintilla2-qt6-dev libgl-dev
    unixodbc unixodbc-dev libsqliteodbc odbc-postgresql odbc-mariadb tdsodbc odbc-mdbtools
    libsecret-1-dev pkg-config
    libsqlite3-dev libpq-dev libmariadb-dev
    googletest libgtest-dev sqlite3 locales
)
MV_TEST_PACKAGES=(
    "${MV_APP_PACKAGES[@]}"
    postgresql postgresql-15 mariadb-server mariadb-client
    xvfb xauth poppler-utils mdbtools libxml2-utils
    desktop-file-utils appstream shared-mime-info dpkg-dev gnome-keyring dbus-daemon
    clang libclang-rt-14-dev
)

mv_say() { echo "==> $*" >&2; }

mv_as_root() {
    if ((EUID == 0)); then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "error: installing packages needs root (run as root or install sudo)" >&2
        return 1
    fi
}

mv_missing_packages() {
    local p
    for p in "$@"; do
        [[ $(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null) == installed ]] || echo "$p"
    done
}

# Installs only what is missing; the package lists are refreshed only when something must be installed.
mv_ensure_packages() {
    local missing
    mapfile -t missing < <(mv_missing_packages "$@")
    ((${#missing[@]} == 0)) && return 0
    mv_say "installing missing Debian packages: ${missing[*]}"
    mv_as_root apt-get update &&
        mv_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# Tests and tools run under C.UTF-8: the ODBC drivers convert text by the process locale.
mv_ensure_c_utf8() {
    locale -a 2>/dev/null | grep -qiE '^c\.utf-?8$' && return 0
    mv_say "creating the C.UTF-8 locale"
    mv_as_root localedef -i C -f UTF-8 C.UTF-8 ||
        mv_as_root localedef -i en_US -f UTF-8 C.UTF-8
}

# The SQLite3 entry of odbcinst.ini is what connection strings name; the package registers it, but
# an edited odbcinst.ini may have lost it.
mv_ensure_odbc_drivers() {
    if ! odbcinst -q -d -n SQLite3 >/dev/null 2>&1; then
        mv_say "registering the SQLite3 ODBC driver in odbcinst.ini"
        mv_as_root odbcinst -i -d -f /usr/share/sqliteodbc/unixodbc.ini >/dev/null || return 1
    fi
    local d
    for d in "PostgreSQL Unicode" "MariaDB Unicode"; do
        odbcinst -q -d -n "$d" >/dev/null 2>&1 ||
            echo "warning: ODBC driver \"$d\" is not registered in /etc/odbcinst.ini" >&2
    done
    return 0
}

# Configures (once) and builds the Release build in the given folder.
mv_build() {
    local root=$1 build=$2
    shift 2
    local cache=$build/CMakeCache.txt
    # A cache made for another source folder (the checkout was moved) cannot be reused.
    if [[ -f $cache ]] && ! grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$root" "$cache"; then
        mv_say "the build folder belongs to another checkout; configuring it afresh"
        rm -rf "$cache" "$build/CMakeFiles"
    fi
    local generator=()
    [[ -f $cache ]] || generator=(-G Ninja)
    mv_say "configuring ($build, Release)"
    # A compiler cache, when the machine has one, makes rebuilds of other checkouts quick.
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$root" -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null || return 1
    mv_say "building"
    mv_cached "$root" cmake --build "$build" -j "$(nproc)" "$@"
}

# Runs a build with the compiler cache told that the checkout's paths are relative to it (and that
# the build folder's path does not matter), so a checkout in another folder, such as a fresh CI
# clone, reuses what the cache already holds.
mv_cached() {
    local root=$1
    shift
    CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true} "$@"
}

# Configures (once) and builds the sanitizer build: clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, the tests and the fuzz targets (no benchmarks, no optimising beyond
# what keeps the suite quick).
mv_build_sanitized() {
    local root=$1 build=$2
    shift 2
    local cache=$build/CMakeCache.txt
    if [[ -f $cache ]] && ! grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$root" "$cache"; then
        rm -rf "$cache" "$build/CMakeFiles"
    fi
    local generator=()
    [[ -f $cache ]] || generator=(-G Ninja)
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    mv_say "configuring ($build, clang with sanitizers)"
    cmake -S "$root" -B "$build" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=Sanitize \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-O1 -g1" -DMV_SANITIZE=ON -DMV_BUILD_BENCH=OFF \
        >/dev/null || return 1
    mv_say "building with sanitizers"
    mv_cached "$root" cmake --build "$build" -j "$(nproc)" "$@"
}
