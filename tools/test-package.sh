#!/usr/bin/env bash
# Builds the Debian package, checks its contents, control fields and lintian's
# verdict, installs it, runs the installed program (a command, and serve until
# SIGTERM), man page and completion, then removes it again and checks that it
# left nothing behind.
# Installs and removes the package `quenda` on this machine (with sudo when not root).
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "test-package: FAILED: $*" >&2
    exit 1
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
tools/install-deps.sh dpkg-dev file lintian man-db curl

scratch=$(mktemp -d)
installed=""
cleanup() {
    [ -z "$installed" ] || $sudo apt-get remove -y -qq --purge quenda >/dev/null 2>&1 || true
    rm -rf "$scratch"
}
trap cleanup EXIT

deb=$(tools/package.sh | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-package/CMakeCache.txt)
arch=$(dpkg --print-architecture)
[ "$deb" = "$PWD/build-package/quenda_${version}_${arch}.deb" ] || fail "package file is $deb, not quenda_${version}_${arch}.deb"

echo "== contents"
contents=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' <<<"$contents")
for path in /usr/bin/quenda /usr/share/applications/quenda.desktop \
    /usr/share/icons/hicolor/32x32/apps/quenda.png /usr/share/icons/hicolor/64x64/apps/quenda.png \
    /usr/share/man/man1/quenda.1.gz /usr/share/bash-completion/completions/quenda \
    /usr/lib/udev/rules.d/70-quenda.rules /usr/lib/systemd/user/quenda-serve.service \
    /usr/share/doc/quenda/copyright /usr/share/doc/quenda/changelog.gz; do
    grep -qx "$path" <<<"$files" || fail "the package does not hold $path"
done
grep -q '^-rwxr-xr-x root/root .* \./usr/bin/quenda$' <<<"$contents" || fail "/usr/bin/quenda is not an executable owned by root"

echo "== control fields"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quenda ] || fail "Package is '$(field Package)', not quenda"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
depends=$(field Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6websockets6 libqrencode4 libhidapi-hidraw0; do
    grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends does not name $library: $depends"
done
[ "$(field Recommends)" = qt6-translations-l10n ] ||
    fail "Recommends is '$(field Recommends)', not qt6-translations-l10n (Qt's Chinese button texts)"

echo "== lintian"
lint=$(lintian "$deb" 2>&1) || true
[ -z "$lint" ] || echo "$lint"
! grep -q '^E: ' <<<"$lint" || fail "lintian reports errors"

echo "== installed"
if dpkg-query -W quenda >/dev/null 2>&1; then
    echo "removing the quenda package installed before"
    $sudo apt-get remove -y -qq --purge quenda >/dev/null
fi
installed=yes
$sudo apt-get install -y -qq "$deb" >/dev/null
while read -r path; do
    [ -e "$path" ] || fail "$path was not installed"
done <<<"$files"

[ "$(/usr/bin/quenda --version)" = "quenda $version" ] || fail "quenda --version prints '$(/usr/bin/quenda --version)'"

expected_info=$(
    echo "unit found: USB 0483:5750 version 0200 at /dev/hidraw-sim0"
    echo "preset names:"
    for n in $(seq 20); do printf '%2d  Preset %d\n' "$n" "$n"; done
)
info=$(QT_QPA_PLATFORM=offscreen /usr/bin/quenda --demo info 2>"$scratch/err") ||
    fail "quenda --demo info exits with $?: $(tail -n 1 "$scratch/err")"
[ "$info" = "$expected_info" ] || fail "quenda --demo info prints: ${info//$'\n'/ | }"
# the commands need no display and no platform plugin
info=$(env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/quenda --demo info 2>"$scratch/err") ||
    fail "quenda --demo info without a display exits with $?: $(tail -n 1 "$scratch/err")"
[ "$info" = "$expected_info" ] || fail "quenda --demo info without a display prints: ${info//$'\n'/ | }"

# serve starts from the package, listens, and stops cleanly on SIGTERM
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# its runtime folder and log apart from the files the completion below is to offer
mkdir -m 700 "$scratch/run"
log="$scratch/run/serve.log"
XDG_RUNTIME_DIR="$scratch/run" /usr/bin/quenda --demo serve --listen "127.0.0.1:$port" 2>"$log" &
serve=$!
for _ in $(seq 50); do grep -q "listening at" "$log" && break; sleep 0.1; done
grep -q "listening at http://127.0.0.1:$port" "$log" || fail "quenda --demo serve did not listen: $(cat "$log")"
status=$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/api/v1/units") || true
[ "$status" = 401 ] || fail "the installed serve answers a request without a token with $status, not 401"
kill -TERM "$serve"
wait "$serve" || fail "quenda serve exits with $? on SIGTERM"
grep -q "stopping on SIGTERM" "$log" || fail "quenda serve did not log its stop: $(tail -n 1 "$log")"
cmp -s /usr/lib/systemd/user/quenda-serve.service tools/quenda-serve.service ||
    fail "the installed systemd user unit differs from tools/quenda-serve.service"
grep -qx 'ExecStart=/usr/bin/quenda serve' /usr/lib/systemd/user/quenda-serve.service ||
    fail "quenda-serve.service does not start /usr/bin/quenda serve"

[ "$(man -w quenda)" = /usr/share/man/man1/quenda.1.gz ] || fail "man -w quenda finds '$(man -w quenda 2>&1)'"
cmp -s /usr/lib/udev/rules.d/70-quenda.rules tools/70-quenda.rules ||
    fail "the installed udev rule differs from tools/70-quenda.rules"

# shellcheck disable=SC2016
complete='source /usr/share/bash-completion/completions/quenda
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _quenda; echo "${COMPREPLY[*]}"'
touch "$scratch/settings.json"
completion() { (cd "$scratch" && bash -c "$complete" quenda "$@"); }
[ "$(completion quenda ex)" = export ] || fail "completing 'quenda ex' gives '$(completion quenda ex)'"
units=$(completion quenda --demo-units 2 --device QD | tr '\n' ' ')
[ "$units" = "QD-DEMO-1 QD-DEMO-2 " ] || fail "completing 'quenda --demo-units 2 --device QD' gives '$units'"
[ "$(completion quenda --v)" = --version ] || fail "completing 'quenda --v' gives '$(completion quenda --v)'"
[ "$(completion quenda --demo restore se)" = settings.json ] ||
    fail "completing 'quenda --demo restore se' gives '$(completion quenda --demo restore se)'"

echo "== removed"
$sudo apt-get remove -y -qq --purge quenda >/dev/null
installed=""
while read -r path; do
    [ ! -e "$path" ] || fail "$path is left after removing the package"
done <<<"$files"
! dpkg-query -W quenda >/dev/null 2>&1 || fail "dpkg still knows the package after purging it"

echo "test-package: the package $(basename "$deb") installs, runs and removes cleanly"
