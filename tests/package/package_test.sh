#!/usr/bin/env bash
# Checks of the Debian package and of the installation, without installing
# anything on this machine.
# Usage: package_test.sh build     BUILD-DIR OUT-DIR
#        package_test.sh lintian   BUILD-DIR OUT-DIR
#        package_test.sh files     BUILD-DIR OUT-DIR VERSION CONVERTER SOURCE-DIR
#        package_test.sh uninstall BUILD-DIR OUT-DIR UNINSTALL-SCRIPT
set -u
step=$1 build=$2 out=$3
deb=$(echo "$out"/deb/hexcrate_*.deb)
failed=0
fail() { echo "FAIL $*"; failed=1; }

case $step in
build)
    # CPack installs through the build tree's install script, which replaces
    # the records `make uninstall` works from: keep those of a real install.
    rm -rf "$out/deb" "$out/kept" && mkdir -p "$out/kept"
    for f in install_manifest.txt install_destdir.txt install_new_dirs.txt; do
        [ -f "$build/$f" ] && cp -p "$build/$f" "$out/kept/"
    done
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out/deb" >"$out/cpack.log" 2>&1
    status=$?
    rm -f "$build/install_manifest.txt" "$build/install_destdir.txt" "$build/install_new_dirs.txt"
    cp -p "$out/kept/"* "$build/" 2>/dev/null
    [ $status = 0 ] || { cat "$out/cpack.log"; exit 1; }
    ;;

lintian)
    # Errors fail; warnings are shown.
    lintian --fail-on error "$deb" 2>&1 | grep -v '^running with root privileges'
    [ "${PIPESTATUS[0]}" = 0 ] || failed=1
    ;;

files)
    version=$4 convert=$5 source=$6
    arch=$(dpkg --print-architecture)
    id=io.github.hexcrate.Hexcrate
    [ "$(basename "$deb")" = "hexcrate_${version}_$arch.deb" ] || fail "package file is $deb"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
    [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "architecture is not $arch"
    [ "$(dpkg-deb -f "$deb" Section)" = devel ] || fail "section is not devel"
    dpkg-deb -f "$deb" Depends | grep -q 'libwxgtk3\.2' || fail "Depends lacks the window toolkit"

    dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$out/contents"
    for f in /usr/bin/hexcrate /usr/bin/hexcrate-convert \
        /usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml \
        /usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
        /usr/share/icons/hicolor/scalable/apps/$id.svg \
        /usr/share/man/man1/hexcrate.1.gz /usr/share/man/man1/hexcrate-convert.1.gz \
        /usr/share/bash-completion/completions/hexcrate-convert \
        /usr/share/zsh/vendor-completions/_hexcrate-convert \
        /usr/share/doc/hexcrate/copyright /usr/share/doc/hexcrate/changelog.gz \
        $(cd "$source" && find include -type f -printf '/usr/%p\n' 2>/dev/null) \
        $([ -d "$source/cmake" ] && echo /usr/lib/cmake/Hexcrate/HexcrateConfig.cmake); do
        grep -qxF "$f" "$out/contents" || fail "package lacks $f"
    done

    root=$out/root
    rm -rf "$root" && dpkg-deb -x "$deb" "$root"
    "$root/usr/bin/hexcrate-convert" --version | grep -qF " $version" ||
        fail "the packaged converter does not report version $version"
    share=$root/usr/share

    desktop-file-validate "$share/applications/$id.desktop" || fail "desktop entry"
    icon=$(sed -n 's/^Icon=//p' "$share/applications/$id.desktop")
    for px in 48 256; do
        png=$share/icons/hicolor/${px}x$px/apps/$icon.png
        [ "$(identify -format %wx%h "$png" 2>/dev/null)" = "${px}x$px" ] ||
            fail "icon $icon is not a $px-pixel PNG at $png"
    done
    validation=$(appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" 2>&1) ||
        fail "metainfo: $validation"
    grep -q '^[EW]:' <<<"$validation" && fail "metainfo: $validation"
    grep -q "<release version=\"$version\"" "$share/metainfo/$id.metainfo.xml" ||
        fail "metainfo names no release $version"

    for page in hexcrate hexcrate-convert; do
        man=$share/man/man1/$page.1.gz
        text=$(MANWIDTH=80 man --warnings -l "$man" 2>"$out/man.err")
        [ -s "$out/man.err" ] && fail "man $page: $(cat "$out/man.err")"
        grep -q "Hexcrate $version" <<<"$text" || fail "man $page does not name version $version"
        lexgrog "$man" >/dev/null || fail "lexgrog $page"
    done

    # Every option the converter offers is documented and completed.
    completion=$share/bash-completion/completions/hexcrate-convert
    manText=$(MANWIDTH=200 man -l "$share/man/man1/hexcrate-convert.1.gz" 2>/dev/null)
    for opt in $("$convert" --help | grep -oE -- '(^|[ ,[])--?[A-Za-z][A-Za-z-]*' | grep -oE -- '--?[A-Za-z-]+' | sort -u); do
        grep -qF -- "$opt" <<<"$manText" || fail "man page lacks $opt"
        grep -qE -- "(^|[ '])$opt( |\$|')" "$completion" || fail "completion lacks $opt"
    done

    # The completion loads in a plain bash and completes options and files.
    mkdir -p "$out/cwd" && touch "$out/cwd/logo.png"
    got=$(cd "$out/cwd" && bash --norc --noprofile -c '
        source "$1" || exit 1
        fn=$(complete -p hexcrate-convert | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
        ask() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=(); "$fn"; echo "${COMPREPLY[*]}"; }
        ask hexcrate-convert --up
        ask hexcrate-convert --output=lo
        ask hexcrate-convert -c ""' _ "$completion" 2>&1)
    [ "$got" = $'--update\n--output=logo.png' ] || fail "completion gave: $got"
    ;;

uninstall)
    # Install into a scratch DESTDIR and prefix, then uninstall from the
    # manifest without DESTDIR, as `make uninstall` does. The install script
    # writes its records into the build tree, where they would replace those
    # of a real installation: this copy writes them here.
    script=$4
    work=$out/install
    rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
    sed "s|\"$build/\${CMAKE_INSTALL_MANIFEST}\"|\"$work/install_manifest.txt\"|" \
        "$build/cmake_install.cmake" >cmake_install.cmake
    grep -qF "$work/install_manifest.txt" cmake_install.cmake || fail "manifest path not found"
    # A folder that was there before stays, even when left empty.
    root=$work/dest$work/prefix
    mkdir -p "$root/bin"
    DESTDIR=$work/dest cmake -DCMAKE_INSTALL_PREFIX="$work/prefix" \
        -DHEXCRATE_DESTDIR_RECORD="$work/destdir.txt" \
        -DHEXCRATE_NEW_DIRS_RECORD="$work/new_dirs.txt" -P cmake_install.cmake >install.log 2>&1 ||
        { cat install.log; exit 1; }
    [ -x "$root/bin/hexcrate-convert" ] && [ -s install_manifest.txt ] || fail "nothing installed"
    echo "kept" >"$root/share/other-file"
    env -u DESTDIR cmake -DMANIFEST="$work/install_manifest.txt" -DDESTDIR_RECORD="$work/destdir.txt" \
        -DNEW_DIRS_RECORD="$work/new_dirs.txt" -P "$script" >uninstall.log 2>&1 ||
        fail "uninstall: $(cat uninstall.log)"
    left=$(cd "$root" && find . -type f ! -name other-file && find . -iname '*hexcrate*' &&
        find . -mindepth 1 -type d ! -name bin ! -name share)
    [ -z "$left" ] || fail "left after uninstall: $left"
    [ -f "$root/share/other-file" ] || fail "uninstall removed a file it did not install"
    [ -d "$root/bin" ] || fail "uninstall removed a folder that was there before"
    grep -q "Removed $root/share/icons/$" uninstall.log && grep -q "Kept $root/share/: not empty" uninstall.log ||
        fail "uninstall did not say which folders it removed and kept: $(cat uninstall.log)"

    # After `make package` the last installation is CPack's staging folder:
    # uninstalling leaves it alone and says so in one line.
    stage=$work/_CPack_Packages/Linux/DEB/hexcrate
    DESTDIR=$stage cmake -DCMAKE_INSTALL_PREFIX=/usr -DHEXCRATE_DESTDIR_RECORD="$work/destdir.txt" \
        -DHEXCRATE_NEW_DIRS_RECORD="$work/new_dirs.txt" -P cmake_install.cmake >install.log 2>&1 ||
        { cat install.log; exit 1; }
    env -u DESTDIR cmake -DMANIFEST="$work/install_manifest.txt" -DDESTDIR_RECORD="$work/destdir.txt" \
        -DNEW_DIRS_RECORD="$work/new_dirs.txt" -P "$script" >uninstall.log 2>&1 ||
        fail "uninstall after a package build: $(cat uninstall.log)"
    [ -x "$stage/usr/bin/hexcrate-convert" ] || fail "uninstall emptied the package's staging folder"
    [ "$(wc -l <uninstall.log)" -eq 1 ] && grep -q "staging folder" uninstall.log ||
        fail "uninstall after a package build said: $(cat uninstall.log)"

    # Installed into another prefix, then again into the first after the
    # package build, then uninstalled: the folders of the other installation
    # and of the staging folder are not named.
    DESTDIR=$work/dest cmake -DCMAKE_INSTALL_PREFIX="$work/other" \
        -DHEXCRATE_DESTDIR_RECORD="$work/destdir.txt" \
        -DHEXCRATE_NEW_DIRS_RECORD="$work/new_dirs.txt" -P cmake_install.cmake >install.log 2>&1 ||
        { cat install.log; exit 1; }
    DESTDIR=$work/dest cmake -DCMAKE_INSTALL_PREFIX="$work/prefix" \
        -DHEXCRATE_DESTDIR_RECORD="$work/destdir.txt" \
        -DHEXCRATE_NEW_DIRS_RECORD="$work/new_dirs.txt" -P cmake_install.cmake >install.log 2>&1 ||
        { cat install.log; exit 1; }
    env -u DESTDIR cmake -DMANIFEST="$work/install_manifest.txt" -DDESTDIR_RECORD="$work/destdir.txt" \
        -DNEW_DIRS_RECORD="$work/new_dirs.txt" -P "$script" >uninstall.log 2>&1 ||
        fail "uninstall after a package build and an install: $(cat uninstall.log)"
    ! grep -qE "_CPack_Packages|$work/other" uninstall.log ||
        fail "uninstall named another installation's folders: $(cat uninstall.log)"
    [ -x "$work/dest$work/other/bin/hexcrate-convert" ] || fail "uninstall removed another installation"
    [ -x "$stage/usr/bin/hexcrate-convert" ] || fail "uninstall emptied the package's staging folder"
    ;;
esac
exit $failed
