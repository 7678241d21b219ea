#!/bin/sh
# Installs a built tree into a scratch prefix and builds a small program against it, once
# through the CMake package and once through pkg-config, then runs both and the installed
# velorin-sim from a copy of the prefix moved elsewhere, so that it must find its extension and
# sample root beside itself. It checks the manual page and the shell completions installed
# beside it.
#
# Then it installs as the README says, into $HOME/.local, with HOME a scratch folder that
# already holds a user's own device root (~/.local/share/velorin/root, with a sequence and a
# choice of the user's own), and shows that root byte for byte, name for name and time for
# time as it was, and that the installed velorin-sim still works on it.
#
# Usage: tests/install/check-install.sh BUILD_DIR [PREFIX]   (PREFIX defaults to a scratch folder)
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=${2:-$work/prefix}

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

cmake -S "$here" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/velorin-install-check"

libdir=$(dirname "$(find "$prefix" -name velorin.pc)")
# shellcheck disable=SC2046
c++ -std=c++20 "$here/InstallCheck.cpp" -o "$work/pkgconfig-check" \
    $(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs velorin) \
    -Wl,-rpath,"$(PKG_CONFIG_PATH="$libdir" pkg-config --variable=libdir velorin)"
"$work/pkgconfig-check"

sample="share/velorin/sample-root"
test -f "$prefix/$sample/var/jb/vod/Library/Velorin/chargingSequences/particlespin/options.json"
test -f "$prefix/$sample/var/mobile/Library/Preferences/com.tarnwick.velorin.plist"
test -f "$prefix/$sample/velorin-sample-root.manifest"
test ! -e "$prefix/share/velorin/root"

# The manual page and the completions are made from velorin-sim's own definitions: each names
# every command and option its --help gives, and each shell can read its script.
page="$prefix/share/man/man1/velorin-sim.1"
grep -q '^\.TH VELORIN\\-SIM 1 ' "$page"
bash_completion="$prefix/share/bash-completion/completions/velorin-sim"
zsh_completion="$prefix/share/zsh/vendor-completions/_velorin-sim"
fish_completion="$prefix/share/fish/vendor_completions.d/velorin-sim.fish"
commands=$("$prefix/bin/velorin-sim" help | sed -n 's/^  \([a-z]*\)  .*/\1/p')
test -n "$commands"
for command in $commands; do
    grep -q "^\.SS \"velorin\\\\-sim $command" "$page"
    grep -q "^        $command)" "$bash_completion"
    grep -q "^                $command)" "$zsh_completion"
    grep -q "__fish_use_subcommand -a $command " "$fish_completion"
done
grep -q '^\\fB\\-\\-fps\\fR' "$page"
bash -n "$bash_completion"
# shellcheck disable=SC2016
complete_words() { # complete_words WORD... : what bash completes the last word to
    bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _velorin_sim
             printf "%s\n" "${COMPREPLY[@]}"' completion "$bash_completion" velorin-sim "$@"
}
test "$(complete_words imp)" = import
test "$(complete_words import clip.gif --fp)" = --fps
test "$(complete_words prefs se)" = set
if command -v zsh >/dev/null 2>&1; then zsh -n "$zsh_completion"; fi
if command -v fish >/dev/null 2>&1; then fish --no-execute "$fish_completion"; fi

unset VELORIN_SAMPLE_ROOT VELORIN_EXTENSION_LIBRARY
# Every velorin-sim run here has a home of its own in the scratch folder, as a user's is set on
# Debian: HOME is HOME_FOLDER, XDG_DATA_HOME and VELORIN_ROOT are unset (so the user's root is
# HOME_FOLDER/.local/share/velorin/root unless VELORIN_ROOT is given), and TMPDIR is scratch.
mkdir "$work/tmp"
with_home() { # with_home HOME_FOLDER [NAME=VALUE...] PROGRAM ARGUMENT...
    with_home_folder=$1
    shift
    mkdir -p "$with_home_folder"
    env -u XDG_DATA_HOME -u VELORIN_ROOT HOME="$with_home_folder" TMPDIR="$work/tmp" "$@"
}

moved="$work/moved"
cp -a "$prefix" "$moved"
# The user's own root is made in the scratch home, and the installed sample root must stay as it
# was installed.
first_home="$work/first-home"
sample_before=$(cd "$moved/$sample" && find . -type f -exec md5sum {} + | sort)
with_home "$first_home" "$moved/bin/velorin-sim" --version
with_home "$first_home" "$moved/bin/velorin-sim" settings | grep -qx 'batteryanimation=particlespin'
with_home "$first_home" "$moved/bin/velorin-sim" preview --seconds 0.5 --fps 2 --scale 1 \
    --out "$work/preview" >/dev/null
test -f "$work/preview/contact-sheet.png"
with_home "$first_home" "$moved/bin/velorin-sim" prefs set loopbatteryanimation true >/dev/null
test -d "$first_home/.local/share/velorin/root/var/jb/vod/Library/Velorin/chargingSequences/particlespin"
sample_after=$(cd "$moved/$sample" && find . -type f -exec md5sum {} + | sort)
test "$sample_before" = "$sample_after"

# A user's own root in a home of its own, made and changed with the velorin-sim of the first
# install: their own "pulse" (three frames and an options file), chosen, and looping on.
home="$work/home"
in_home() {
    with_home "$home" "$@"
}
user_root="$home/.local/share/velorin/root"
in_home "$prefix/bin/velorin-sim" root >/dev/null 2>&1
mine="$work/mine"
mkdir "$mine"
for number in 1 2 3; do
    cp "$user_root/var/jb/vod/Library/Velorin/chargingSequences/battery/charge0$number.png" \
        "$mine/mine$number.png"
done
printf '{"x": "center", "y": 300}\n' >"$mine/options.json"
in_home "$prefix/bin/velorin-sim" install "$mine" --as pulse --replace --select >/dev/null
in_home "$prefix/bin/velorin-sim" prefs set loopbatteryanimation true >/dev/null
snapshot() {
    (cd "$user_root" && find . -printf '%p %y %m %s %T@\n' | sort &&
        find . -type f -exec md5sum {} + | sort)
}
root_before=$(snapshot)

# As the README says it: cmake --install build --prefix ~/.local
in_home sh -c 'cmake --install "$1" --prefix ~/.local' install "$build" >/dev/null
root_after=$(snapshot)
if [ "$root_before" != "$root_after" ]; then
    echo "check-install: installing into $home/.local changed the user's root:" >&2
    printf '%s\n' "$root_before" >"$work/before"
    printf '%s\n' "$root_after" >"$work/after"
    diff "$work/before" "$work/after" >&2 || true
    exit 1
fi
# The installed velorin-sim works on the user's root as it was, and never takes its sample root
# for the user's.
in_home "$home/.local/bin/velorin-sim" settings | grep -qx 'batteryanimation=pulse'
in_home "$home/.local/bin/velorin-sim" root | grep -qx "$user_root"
if in_home VELORIN_ROOT="$home/.local/share/velorin/sample-root" "$home/.local/bin/velorin-sim" \
    root 2>"$work/refused"; then
    echo "check-install: the installed sample root was taken for a user's root" >&2
    exit 1
fi
grep -q "is velorin-sim's sample root, which is never written" "$work/refused"
test "$root_before" = "$(snapshot)"
echo "install check passed"
