#!/usr/bin/env bash
# Checks of what `cmake --install` puts in place.
#   check-install.sh tree BUILD_DIR GUI(ON|OFF)   install into a fresh prefix, compare the file
#                                                 list, run the installed programs, compare
#                                                 the versions of programs and documents
#   check-install.sh desktop DESKTOP_FILE         the menu entry is valid and complete
#   check-install.sh manpage MAN_PAGE PROGRAM     the man page lists the options of --help
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

check_tree() {
    local build=$1 gui=$2
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-install.XXXXXX")
    trap 'rm -rf "$prefix"' EXIT
    cmake --install "$build" --prefix "$prefix" >/dev/null

    local expected=(
        bin/tolvane-update
        share/doc/tolvane/changelog.Debian.gz
        share/doc/tolvane/copyright
        share/lintian/overrides/tolvane
        share/man/man1/tolvane-update.1.gz
    )
    if [ "$gui" = ON ]; then
        expected+=(
            bin/tolvane
            share/applications/tolvane.desktop
            share/metainfo/org.example.tolvane.metainfo.xml
            share/man/man1/tolvane.1.gz
            share/tolvane/tolvane.html
            share/icons/hicolor/16x16/apps/tolvane.png
            share/icons/hicolor/32x32/apps/tolvane.png
            share/icons/hicolor/48x48/apps/tolvane.png
            share/icons/hicolor/scalable/apps/tolvane.svg
        )
    fi
    local want got
    want=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
    got=$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort)
    [ "$got" = "$want" ] || fail "installed files differ:$(diff <(echo "$want") <(echo "$got"))"

    for program in bin/tolvane-update bin/tolvane; do
        if [ -e "$prefix/$program" ] && [ ! -x "$prefix/$program" ]; then
            fail "$program is not executable"
        fi
    done
    local version
    version=$("$prefix/bin/tolvane-update" --version | head -n 1) ||
        fail "installed tolvane-update --version failed"
    [[ $version == "tolvane-update "*[0-9] ]] || fail "unexpected version text: $version"
    check_versions "$prefix" "${version##* }"

    if [ "$gui" = ON ]; then
        check_window_options "$prefix/bin/tolvane"
        # The software centres' metadata, with the desktop entry it names beside it.
        appstreamcli validate-tree --no-net --explain "$prefix" >&2 ||
            fail "appstreamcli rejects the installed metadata"
        # Each icon is the size its folder says.
        for size in 16 32 48; do
            local file="$prefix/share/icons/hicolor/${size}x${size}/apps/tolvane.png"
            local header
            header=$(od -An -tx1 -j16 -N8 "$file" | tr -d ' \n')
            [ "$header" = "$(printf '%08x%08x' "$size" "$size")" ] ||
                fail "tolvane.png in ${size}x${size} is not $size pixels square"
        done
    fi
    echo "installed: $(echo "$got" | wc -l) files; $version"
}

# One version number everywhere: the programs, the man pages and the package's changelog.
# Compressed files carry no name or time (gzip -n), so that every build gives the same bytes.
check_versions() {
    local prefix=$1 version=$2 file
    for file in "$prefix"/share/man/man1/*.gz "$prefix"/share/doc/tolvane/*.gz; do
        [ "$(od -An -tx1 -j3 -N5 "$file" | tr -d ' \n')" = 0000000000 ] ||
            fail "${file#"$prefix"/} carries a file name or time"
    done
    # Whole texts are read first: a reader that stops early would fail the pipe.
    for file in "$prefix"/share/man/man1/*.gz; do
        grep -q "^\.TH .* \"Tolvane $version\"" <<<"$(zcat "$file")" ||
            fail "${file#"$prefix"/} is not the page of version $version"
    done
    local changelog
    changelog=$(zcat "$prefix/share/doc/tolvane/changelog.Debian.gz")
    [[ ${changelog%%$'\n'*} == "tolvane ($version-"* ]] ||
        fail "the changelog's latest entry is not version $version"
    if [ -e "$prefix/bin/tolvane" ]; then
        local window
        window=$("$prefix/bin/tolvane" --version) || fail "installed tolvane --version failed"
        [[ ${window%%$'\n'*} == *" $version" ]] || fail "tolvane --version does not say $version"
    fi
}

# The window's command line is read before anything needs a display: each row is the exit
# status expected and the arguments. Qt's own options are left to Qt, not refused.
check_window_options() {
    local program=$1 row status
    for row in '0 --help' '0 --version' '0 --vers' '2 --no-such-option' '2 -x' \
        '0 -style fusion --help' '0 -reverse --version' '2 -platform'; do
        status=0
        # shellcheck disable=SC2086  # the row's arguments are split on purpose
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" ${row#* } >/dev/null 2>&1 ||
            status=$?
        [ "$status" = "${row%% *}" ] || fail "tolvane ${row#* } exited $status, not ${row%% *}"
    done
}

check_desktop() {
    local entry=$1
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
    local key
    for key in 'Type=Application' 'Name=Tolvane' 'Name\[zh_TW\]=.+' 'Comment=.+' 'Icon=tolvane' \
        'Exec=tolvane %F' 'TryExec=tolvane' 'Categories=Utility;FileTools;'; do
        grep -Eqx "$key" "$entry" || fail "$entry has no line $key"
    done
}

# The long and short option names in a text, one a line, sorted.
option_names() {
    grep -oE '(^|[ ,])--?[A-Za-z][-A-Za-z]*' | sed 's/^[ ,]//' | LC_ALL=C sort -u
}

check_manpage() {
    local page=$1 program=$2 help_options man_options
    # --help lists an option at the start of an indented line, before the gap to its text.
    help_options=$("$program" --help | grep -E '^ +-' | sed -E 's/^ +//; s/ {2,}.*//' | option_names)
    # The man page gives each option in the tag line after .TP in its OPTIONS section.
    man_options=$(awk '/^\.SH/ { in_options = ($2 == "OPTIONS") }
                       in_options && tag { print; tag = 0 }
                       in_options && /^\.TP/ { tag = 1 }' "$page" |
        sed -E 's/\\-/-/g; s/"//g' | option_names)
    [ -n "$help_options" ] || fail "no options found in --help"
    [ "$help_options" = "$man_options" ] ||
        fail "--help and $page list different options:$(diff <(echo "$help_options") <(echo "$man_options"))"
    # The page renders without warnings.
    local warnings
    warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
    echo "options in both: $(echo "$help_options" | tr '\n' ' ')"
}

case ${1:-} in
    tree) check_tree "$2" "$3" ;;
    desktop) check_desktop "$2" ;;
    manpage) check_manpage "$2" "$3" ;;
    *) fail "usage: $0 tree|desktop|manpage ..." ;;
esac
