#!/usr/bin/env bash
# The README's blocks for a project of one's own, run as a reader runs them
# after installing into ~/.local: each section's files are written out and
# its commands run, in order, in a folder of its own with the inputs they
# name. The installation itself is done as the consumer tests do it (into a
# scratch HOME), so that the build tree keeps the records of a real one.
# Usage: readme_test.sh HEXCRATE-BUILD-DIR CMAKE
set -u
build=$1 cmake=$2
# shellcheck source-path=SCRIPTDIR source=install_prefix.sh
. "$(dirname "$0")/install_prefix.sh"
readme=$here/../../README.md
export HOME=$work/home
mkdir -p "$HOME" && ln -s "$work/prefix" "$HOME/.local"

# section TITLE [INPUT...]: the section's blocks, with random INPUTs beside them.
section() {
    local title=$1 dir=$work/${1// /-} kind name input
    shift
    python3 "$here/readme_blocks.py" "$readme" "$title" "$dir" >"$dir.list" || fatal "$title"
    for input in "$@"; do head -c 3000 /dev/urandom >"$dir/$input"; done
    while read -r kind name; do
        [ "$kind" = run ] || continue
        sed -i '/^cmake --install build/d' "$dir/$name"  # done above, into the same place
        if (cd "$dir" && ${runner:-} bash -e "$name") >"$work/log" 2>&1; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            echo "FAIL $title: $(tr '\n' ';' <"$dir/$name")"
            cat "$work/log"
        fi
    done <"$dir.list"
}

section "Using a header outside MFC" logo.png
section "Using Hexcrate from CMake" logo.png intro.wav music.ogg
if command -v meson >/dev/null; then
    section "Using Hexcrate from Meson or Make" payload.bin greeting.txt
else
    skip_part "Meson and Make recipes: not installed: meson"
fi
# The demo from the clone's build folder, under a virtual display.
mkdir -p "$work/The-colour-ramp-progress-bar" && ln -s "$build" "$work/The-colour-ramp-progress-bar/build"
runner="xvfb-run -a" section "The colour-ramp progress bar"
expect "ramp-demo writes its snapshot" \
    grep -q PNG <(head -c 8 "$work/The-colour-ramp-progress-bar/face.png" 2>/dev/null)

finish
