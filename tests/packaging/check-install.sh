#!/bin/sh
# Installs Vantrel into a scratch root and checks it as a technician's machine would use it.
#   check-install.sh install ROOT CMAKE BUILD SOURCE VERSION   DESTDIR=ROOT cmake --install BUILD
#   check-install.sh deb ROOT CMAKE BUILD SOURCE VERSION       cpack, then dpkg -x of the .deb into ROOT
# Needs no root: nothing outside ROOT is written.
set -eu
mode=$1 root=$2 cmake=$3 build=$4 source=$5 version=$6
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need_file() { [ -f "$1" ] || fail "missing $1"; }
programs="vantrel vantrel-cli vantrel-sim"

rm -rf "$root" "$root.work"
mkdir -p "$root" "$root.work"
case $mode in
install)
    DESTDIR="$root" "$cmake" --install "$build" --prefix /usr >"$root.work/install.log"
    ;;
deb)
    "$(dirname "$cmake")/cpack" --config "$build/CPackConfig.cmake" -B "$root.work" >"$root.work/cpack.log"
    set -- "$root.work"/vantrel_"$version"_*.deb
    [ -f "$1" ] || { echo "FAIL: cpack made no vantrel_${version}_*.deb" >&2; cat "$root.work/cpack.log" >&2; exit 1; }
    deb=$1
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = vantrel ] || fail "Package is '$(field Package)'"
    [ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project is $version"
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
    [ -n "$(field Maintainer)" ] || fail "no Maintainer"
    # A synopsis line, then the long description with every line indented by one blank.
    field Description | sed 1d | grep -q -v '^ ' && fail "the long description has unindented lines"
    synopsis=$(field Description | head -n 1)
    [ -n "$synopsis" ] || fail "the description has no synopsis"
    field Description | sed -n 2p | grep -q -F -x " $synopsis" && fail "the long description repeats the synopsis"
    depends=$(field Depends)
    echo "Depends: $depends"
    for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libstdc++6 libc6; do
        case ", $depends," in
        *", $lib "* | *", $lib,"*) ;;
        *) fail "Depends lacks $lib" ;;
        esac
    done
    # Every package named is a real one: the build machine has them all installed.
    for dep in $(echo "$depends" | tr ',|' '\n\n' | sed 's/(.*)//; s/:any//' | tr -d ' '); do
        dpkg-query -W -f='${Status}' "$dep" 2>/dev/null | grep -q 'install ok installed' ||
            fail "Depends names $dep, which is not an installed package here"
    done
    echo "== dpkg -c $(basename "$deb")"
    dpkg-deb -c "$deb" | tee "$root.work/contents.txt"
    awk '$2 != "root/root" { print "FAIL: not owned by root: " $0; bad = 1 } END { exit bad }' \
        "$root.work/contents.txt" >&2 || failures=$((failures + 1))
    awk '$6 !~ /^\.\/(usr\/)?$/ && $6 !~ /^\.\/usr\// { print "FAIL: outside /usr: " $6; bad = 1 } END { exit bad }' \
        "$root.work/contents.txt" >&2 || failures=$((failures + 1))
    # Debian's own checks. lintian honours the overrides the package installs; every other error or
    # warning fails.
    if command -v lintian >/dev/null; then
        echo "== lintian $(basename "$deb")"
        lintian --fail-on error,warning --display-level '>=warning' --show-overrides "$deb" ||
            fail "lintian reports errors or warnings"
    else
        fail "lintian is not installed (make deps installs it)"
    fi
    dpkg-deb -x "$deb" "$root"
    if command -v readelf >/dev/null; then
        for p in $programs; do
            readelf -S "$root/usr/bin/$p" | grep -q '\.debug_info' && fail "$p is not stripped"
        done
    fi
    ;;
*)
    echo "usage: $0 install|deb ROOT CMAKE BUILD SOURCE VERSION" >&2
    exit 2
    ;;
esac
usr=$root/usr

# --- Programs: exactly the three, each telling the project's version ------------------------------------
for p in $programs; do
    [ -x "$usr/bin/$p" ] || fail "missing program $usr/bin/$p"
    got=$("$usr/bin/$p" --version 2>&1) || fail "$p --version failed"
    first=$(echo "$got" | head -n 1)
    [ "$first" = "$p $version" ] || fail "$p --version starts '$first', expected '$p $version'"
    echo "$got" | grep -q 'GNU GPL version 3 or later' || fail "$p --version does not name the licence"
done
extra=$(ls "$usr/bin" | grep -v -x -e vantrel -e vantrel-cli -e vantrel-sim || true)
[ -z "$extra" ] || fail "unexpected files in bin/: $extra"

# --- Data the programs read: profiles, pictures, help -------------------------------------------------
for f in "$source"/sim/profiles/*; do need_file "$usr/share/vantrel/profiles/$(basename "$f")"; done
for f in "$source"/data/instruments/*; do need_file "$usr/share/vantrel/instruments/$(basename "$f")"; done
for f in title.bmp portablesetup.bmp mobilesetup.bmp; do
    need_file "$usr/share/vantrel/$f"
    [ "$(head -c 2 "$usr/share/vantrel/$f")" = BM ] || fail "$f is not a bitmap"
done
# The help topics are built into the program; a help/ folder in a data folder only holds a site's own
# replacement pages, so the package ships none that would shadow a newer program's built-in ones.
[ ! -e "$usr/share/vantrel/help" ] || fail "the package ships help pages that shadow the built-in ones"
need_file "$usr/share/doc/vantrel/examples/60-vantrel-serial.rules"
metainfo=$(ls "$usr"/share/metainfo/*.metainfo.xml 2>/dev/null | head -n 1)
if [ -z "$metainfo" ]; then
    fail "no AppStream metadata in share/metainfo"
else
    # The component names the installed desktop entry, programs and archive type.
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    need_file "$usr/share/applications/$launchable"
    # One reverse-DNS id, no placeholder: the component's id names the metainfo file and the desktop entry.
    id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
    [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo file $(basename "$metainfo") is not $id.metainfo.xml"
    [ "$launchable" = "$id.desktop" ] || fail "launchable $launchable is not $id.desktop"
    case "$id" in *example*) fail "AppStream id $id is a placeholder" ;; esac
    grep -q '<url type="homepage">https://[^<]*example' "$metainfo" && fail "the homepage is a placeholder"
    for p in $programs; do grep -q "<binary>$p</binary>" "$metainfo" || fail "metainfo does not provide $p"; done
    grep -q "<mediatype>application/x-vantrel-archive</mediatype>" "$metainfo" ||
        fail "metainfo does not provide the archive type"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
    for shot in $(sed -n 's:.*<image>.*/\([^/<]*\)</image>.*:\1:p' "$metainfo"); do
        [ -f "$source/docs/screenshots/$shot" ] || fail "metainfo shows $shot, which docs/screenshots lacks"
    done
fi
need_file "$usr/share/doc/vantrel/copyright"
# Machine-readable: the format line, and every Files paragraph's licence has its own paragraph.
copyright=$usr/share/doc/vantrel/copyright
if [ -f "$copyright" ]; then
    head -n 1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        fail "copyright is not in the machine-readable format"
    # A licence named in a Files paragraph needs a stand-alone paragraph (opening with its License line)
    # holding its text.
    awk '/^Files:/ { files = 1 } /^$/ { files = 0; blank = 1; next }
         /^License: / { if (files) used[$2] = 1; else if (blank) text[$2] = 1 }
         { blank = 0 }
         END { for (l in used) if (!(l in text)) { print "FAIL: copyright: licence " l " has no text"; bad = 1 }
               exit bad }' "$copyright" >&2 || failures=$((failures + 1))
    grep -q -x 'License: GPL-3+' "$copyright" || fail "copyright does not name GPL-3+"
fi
[ "$(head -n 1 "$source/LICENSE" | sed 's/^ *//; s/ *$//')" = "GNU GENERAL PUBLIC LICENSE" ] ||
    fail "LICENSE is not the GPL text"
# The changelog's newest entry is this version: a version bump needs its entry.
changelog=$usr/share/doc/vantrel/changelog.gz
need_file "$changelog"
if [ -f "$changelog" ]; then
    top=$(gzip -dc "$changelog" | head -n 1)
    case $top in
    "vantrel ($version) "*) ;;
    *) fail "the changelog's newest entry is '$top', not version $version" ;;
    esac
fi

# --- Desktop entry: its program, its icon in the hicolor theme, its file type --------------------------
desktop=$usr/share/applications/org.vantrel.Vantrel.desktop
need_file "$desktop"
if [ -f "$desktop" ]; then
    grep -q -x '\[Desktop Entry\]' "$desktop" || fail "desktop entry without its group"
    grep -q -x 'Type=Application' "$desktop" || fail "desktop entry is not an application"
    exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -n "$exec" ] && [ -x "$usr/bin/$exec" ] || fail "Exec '$exec' is not an installed program"
    tryexec=$(sed -n 's/^TryExec=//p' "$desktop")
    [ -z "$tryexec" ] || [ -x "$usr/bin/$tryexec" ] || fail "TryExec '$tryexec' is not an installed program"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -n "$icon" ] || fail "desktop entry without Icon"
    for side in 16 22 24 32 48 64 128 256; do
        png=$usr/share/icons/hicolor/${side}x${side}/apps/$icon.png
        if [ ! -f "$png" ]; then
            fail "missing icon $png"
            continue
        fi
        # PNG signature, then the IHDR width and height as big-endian 32-bit numbers.
        [ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
        size=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8 }')
        [ "$size" = "${side}x${side}" ] || fail "$png is $size"
    done
    mimetype=$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$desktop")
    grep -q "<mime-type type=\"$mimetype\">" "$usr/share/mime/packages/vantrel.xml" 2>/dev/null ||
        fail "MimeType '$mimetype' is not declared in share/mime/packages/vantrel.xml"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
    fi
fi

# --- Manual pages: one per program, versioned; vantrel-cli's lists every command, option, exit code ----
for p in $programs; do
    page=$usr/share/man/man1/$p.1.gz
    if [ ! -f "$page" ]; then
        fail "missing manual page $page (help2man was not found when the build was configured?)"
        continue
    fi
    gzip -t "$page" || fail "$page is not gzip"
    upper=$(echo "$p" | tr a-z A-Z)
    gzip -dc "$page" | grep -q "^\.TH \"*$upper\"* \"*1\"*.*$version" || fail "$page has no '.TH $upper 1' with $version"
    if command -v man >/dev/null; then
        MANWIDTH=100 man -l "$page" >/dev/null 2>&1 || fail "man cannot show $page"
    fi
done
cli_page=$usr/share/man/man1/vantrel-cli.1.gz
if [ -f "$cli_page" ]; then
    # The page's text with roff's escaped minus signs and font changes undone.
    text=$root.work/vantrel-cli.1.txt
    gzip -dc "$cli_page" | sed 's/\\-/-/g; s/\\f[BIRP]//g; s/\\(em/-/g' >"$text"
    usage=$("$usr/bin/vantrel-cli" --help)
    commands=$(echo "$usage" | sed -n '/^Commands:$/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
    [ -n "$commands" ] || fail "vantrel-cli --help lists no commands"
    options=$(echo "$usage" | grep -o -e '--[a-z][a-z-]*' -e '[[ ]-[a-z]\b' | tr -d ' [')
    for c in $commands; do
        grep -q "^\.SS $c\$" "$text" || fail "the manual page has no section for the command $c"
        options="$options $("$usr/bin/vantrel-cli" help "$c" | grep -o -e '--[a-z][a-z-]*' -e '[[ ]-[a-z]\b' | tr -d ' [')"
    done
    for o in $(echo "$options" | tr ' ' '\n' | sort -u); do
        grep -q -e "$o\b" "$text" || fail "the manual page does not mention the option $o"
    done
    codes=$(echo "$usage" | sed -n '/^Exit codes:$/,/^$/p' | grep -o '\b[0-9]\{1,3\} [a-z][a-z -]*[a-z]' | sed 's/  .*//')
    [ -n "$codes" ] || fail "vantrel-cli --help lists no exit codes"
    echo "$codes" | while IFS= read -r code; do
        grep -q "$code" "$text" || { echo "FAIL: the manual page lacks the exit code '$code'" >&2; exit 1; }
    done || failures=$((failures + 1))
fi

# --- The installed programs find their folders ---------------------------------------------------------
home=$root/home
mkdir -p "$home"
cli() { env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u VANTREL_SIM_PROFILES HOME="$home" "$@"; }
[ "$(cli "$usr/bin/vantrel-cli" port)" = -1 ] || fail "a fresh user has a COM port already"
cli "$usr/bin/vantrel-cli" port 3 || fail "vantrel-cli port 3 failed"
printf 'COM Port Id :3\n ' | cmp -s - "$home/.config/vantrel/COM.INI" ||
    fail "vantrel-cli port 3 did not write ~/.config/vantrel/COM.INI"
[ ! -e "$usr/bin/COM.INI" ] || fail "an installed vantrel-cli wrote COM.INI beside itself"
[ "$(cli "$usr/bin/vantrel-cli" port)" = 3 ] || fail "the port written to ~/.config/vantrel is not read back"
cli XDG_CONFIG_HOME="$root/xdg" "$usr/bin/vantrel-cli" port 2 || fail "port 2 with XDG_CONFIG_HOME failed"
need_file "$root/xdg/vantrel/COM.INI"
# A COM.INI beside the program is read first.
printf 'COM Port Id :4\n ' >"$usr/bin/COM.INI"
[ "$(cli "$usr/bin/vantrel-cli" port)" = 4 ] || fail "COM.INI beside the installed program is not read first"
rm -f "$usr/bin/COM.INI"
# The simulator reads share/vantrel/profiles (a profile only the install tree has proves it).
cp "$usr/share/vantrel/profiles/portable.json" "$usr/share/vantrel/profiles/only-installed.json"
cli "$usr/bin/vantrel-sim" --list-profiles | grep -q '^only-installed ' ||
    fail "the installed vantrel-sim does not list share/vantrel/profiles"
"$usr/bin/vantrel" --help | grep -q -e '--simulate' || fail "vantrel --help does not describe --simulate"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed in $root" >&2
    exit 1
fi
echo "install tree ($mode) in $root: all checks passed"
