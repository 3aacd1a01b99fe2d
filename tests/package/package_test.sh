#!/usr/bin/env bash
# The package a Windows user takes away: scripts/package makes the zip of the given build's
# verdimo.exe; it must hold exactly the program, the command line, the read-me, the licence and
# the notices (CRLF), and the program unpacked from it must start under Wine and read the
# stand-in profile "someband" (one end-to-end case run against the unpacked exe).
#
#   tests/package/package_test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
src=$1
build=$2
version=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/package-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

DIST=$work/dist VERDIMO_EXE=$build/verdimo.exe "$src/scripts/package" --zip-only >/dev/null
zip_path=$work/dist/verdimo-$version-win64.zip
python3 - "$zip_path" "$work/unpacked" <<'PY'
import sys
import zipfile

zip_path, target = sys.argv[1:]
with zipfile.ZipFile(zip_path) as archive:
    names = sorted(archive.namelist())
    expected = ["LICENSE.txt", "README.txt", "THIRD-PARTY-NOTICES.txt", "verdimo-cli.exe", "verdimo.exe"]
    if names != expected:
        sys.exit("package holds %s, not %s" % (names, expected))
    for text in ("README.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
        body = archive.read(text)
        if body.count(b"\n") == 0 or body.count(b"\n") != body.count(b"\r\n"):
            sys.exit("%s does not have CRLF line ends throughout" % text)
    for program in ("verdimo.exe", "verdimo-cli.exe"):
        if not archive.read(program).startswith(b"MZ"):
            sys.exit("%s is not a Windows program" % program)
    archive.extractall(target)
PY

"$src/tests/wine/run" "$build/test-env" "$build/e2e_tests.exe" --verdimo="$work/unpacked/verdimo.exe" \
  --output="$work/out" --gtest_filter=ReadTest.ProfileNameListsItsSongsAndPutsTheArtistInTheTitle \
  | tee "$work/e2e.log"
grep -q "\[  PASSED  \] 1 test" "$work/e2e.log"
