#!/usr/bin/env bash
# The Debian package of the native build's verdimo-cli: its manual reads without warnings, lintian
# finds no error in it, and installed with apt-get it gives /usr/bin/verdimo-cli of this version,
# its manual and its completion; it is purged again at the end, also when a check fails.
# Needs root; skipped (77) without it or where verdimo-cli is already installed, which it would
# purge.
#
#   tests/package/deb_test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
src=$1
build=$2
version=$3
[ "$(id -u)" -eq 0 ] || { echo "skipped: installing the package needs root"; exit 77; }
if dpkg-query -W -f='${Status}' verdimo-cli 2>/dev/null | grep -q ' installed'; then
  echo "skipped: verdimo-cli is installed on this machine"; exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/deb-test.XXXXXX")
chmod 0755 "$work"  # apt reads the package as its own unprivileged user
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -y -q "$@"; }
trap 'apt_get purge verdimo-cli >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

DIST=$work VERDIMO_NATIVE_BUILD=$build "$src/scripts/package" --deb-only
deb=$work/verdimo-cli_${version}_$(dpkg --print-architecture).deb

warnings=$(MANWIDTH=80 man --warnings -l "$src/packaging/verdimo-cli.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "the manual has warnings:"; echo "$warnings"; exit 1; }

lintian --fail-on error "$deb" || { echo "lintian found errors in the package"; exit 1; }

apt_get install "$deb" >/dev/null
[ "$(/usr/bin/verdimo-cli --version)" = "verdimo-cli $version" ]
[ "$(man -w verdimo-cli)" = /usr/share/man/man1/verdimo-cli.1.gz ]
[ -f /usr/share/bash-completion/completions/verdimo-cli ]
apt_get purge verdimo-cli >/dev/null
[ ! -e /usr/bin/verdimo-cli ]
echo "installed, checked and purged $(basename "$deb")"
