#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and builds the Debian package, then checks what a
# desktop needs: the program, its desktop entry, icons in every size, AppStream data, MIME types,
# and a package whose dependencies apt can resolve.
# Usage: install_test.sh <build folder> <source folder>
set -u
build=$(cd "$1" && pwd)
source=$2
id=org.morvenda.Morvenda
work=$(mktemp -d /tmp/mv-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need() { [[ -e $1 ]] || fail "missing: ${1#"$work"/}"; }

# ---- cmake --install ----
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "cmake --install"; }
usr=$root/usr
need "$usr/bin/morvenda"
[[ -x $usr/bin/morvenda ]] || fail "the program is not executable"
need "$usr/share/applications/$id.desktop"
need "$usr/share/metainfo/$id.metainfo.xml"
need "$usr/share/mime/packages/$id.xml"
need "$usr/share/icons/hicolor/scalable/apps/$id.svg"
need "$usr/share/doc/morvenda/help/contents.html"
need "$usr/share/doc/morvenda/help/de/contents.html"
for size in 16 22 24 32 48 64 128 256 512; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    need "$png"
    [[ -f $png ]] || continue
    # The PNG header holds width and height as big-endian numbers at bytes 16 and 20.
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [[ $w == "$size" && $h == "$size" ]] || fail "$size px icon is ${w}x$h"
done
# Nothing of the tests or benchmarks is installed.
extra=$(find "$root" -type f | grep -Ev "/usr/(bin/morvenda|share/(applications|metainfo|mime/packages|icons/hicolor|doc/morvenda)/)" || true)
[[ -z $extra ]] || fail "unexpected files installed: $extra"

command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is not installed (desktop-file-utils)"
command -v appstreamcli >/dev/null || fail "appstreamcli is not installed (appstream)"
desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -qx "Exec=morvenda %f" "$usr/share/applications/$id.desktop" || fail "Exec line"
grep -q "MimeType=application/sql;application/x-morvenda-datalink;" "$usr/share/applications/$id.desktop" || fail "MimeType line"

# The MIME package teaches the desktop the .udl files.
if command -v update-mime-database >/dev/null; then
    mime=$work/mime
    mkdir -p "$mime/packages"
    cp "$usr/share/mime/packages/$id.xml" "$mime/packages/"
    update-mime-database "$mime" >/dev/null 2>&1 || fail "update-mime-database"
    grep -q "application/x-morvenda-datalink:\*\.udl" "$mime/globs2" || fail "no glob for *.udl"
fi

# The installed program starts, and keeps its files in the user's folders, not beside itself.
home=$work/home
mkdir -p "$home"
HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$work/runtime \
    QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 timeout 8 "$usr/bin/morvenda" >"$work/run.log" 2>&1
rc=$?
[[ $rc == 124 ]] || { cat "$work/run.log" >&2; fail "the installed program ended by itself with $rc instead of running"; }
[[ -d $home/data/Morvenda/Morvenda ]] || fail "no folder in the user's data folder"
[[ -z $(find "$usr/bin" -mindepth 1 ! -name morvenda) ]] || fail "files written beside the installed program: $(ls "$usr/bin")"

# ---- cpack -G DEB ----
if command -v dpkg-deb >/dev/null; then
    (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package") >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
    deb=$(ls "$work"/package/*.deb 2>/dev/null | head -1)
    if [[ -z $deb ]]; then
        fail "no .deb written"
    else
        contents=$(dpkg-deb -c "$deb")
        for f in ./usr/bin/morvenda ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml \
            ./usr/share/mime/packages/$id.xml ./usr/share/icons/hicolor/48x48/apps/$id.png \
            ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/doc/morvenda/help/index.html; do
            grep -q " $f\$" <<<"$contents" || fail "the package lacks $f"
        done
        depends=$(dpkg-deb -f "$deb" Depends)
        echo "Depends: $depends"
        for p in libqt6widgets6 libqt6printsupport6 libqscintilla2-qt6 libodbc2 libsecret-1-0 libqt6svg6 libsqliteodbc; do
            grep -q "$p" <<<"$depends" || fail "Depends lacks $p"
        done
        [[ $(dpkg-deb -f "$deb" Package) == morvenda ]] || fail "package name"
        # apt can resolve every dependency on this system (a simulation: nothing is installed).
        if command -v apt-get >/dev/null; then
            apt-get install -s "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt cannot resolve the dependencies"; }
        fi
    fi
fi

((failures == 0)) && echo "all install checks passed"
exit $((failures > 0))
