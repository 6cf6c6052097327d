#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks it without installing it: everything under /usr, no
# database and no list of installed files in it, the desktop entry, icon and software centre description valid, its
# library dependencies found, and lintian reporting no error. Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run  make setup  (scripts/setup.sh installs it)"
done

cpack --config "$build/CPackConfig.cmake" -B "$work/out" -D CPACK_OUTPUT_FILE_PREFIX="$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/quorvane_*.deb)
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||; s|/$||' | sort >"$work/files"
grep -v '^usr' "$work/files" | grep -q . && fail "outside /usr: $(grep -v '^usr' "$work/files" | tr '\n' ' ')"
for f in usr/bin/quorvane usr/lib/quorvane/quorvane usr/lib/quorvane/help/Help.htm usr/lib/quorvane/help/DBHelp.htm \
         usr/lib/quorvane/examples/contacts-sample.csv usr/share/applications/quorvane.desktop \
         usr/share/icons/hicolor/scalable/apps/quorvane.svg usr/share/metainfo/example.quorvane.Quorvane.metainfo.xml \
         usr/share/doc/quorvane/copyright usr/share/doc/quorvane/changelog.gz; do
  grep -qx "$f" "$work/files" || fail "not in the package: $f"
done
! grep -q 'Quorvane.qv$\|installed-files.txt$' "$work/files" || fail "the package holds a database or a list of files"

# The dependencies are computed: the libraries the executable links, with their versions.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libsqlcipher0 qt6-qpa-plugins; do
  [[ ", $depends," == *", $lib "* || ", $depends," == *", $lib,"* ]] || fail "Depends lacks $lib: $depends"
done
[[ $depends == *"libqt6widgets6 (>= "* ]] || fail "Depends without versions: $depends"

dpkg-deb -x "$deb" "$work/root"
[ "$(readlink "$work/root/usr/bin/quorvane")" = ../lib/quorvane/quorvane ] || fail "launcher"
entry=$work/root/usr/share/applications/quorvane.desktop
desktop-file-validate "$entry" || fail "desktop entry does not validate"
grep -qx 'Exec="/usr/bin/quorvane"' "$entry" || fail "desktop entry: $(grep ^Exec "$entry")"
appstreamcli validate --no-net --explain "$work/root/usr/share/metainfo/example.quorvane.Quorvane.metainfo.xml" ||
  fail "software centre description does not validate"
file "$work/root/usr/lib/quorvane/quorvane" | grep -q ', stripped' || fail "executable not stripped"
"$work/root/usr/lib/quorvane/quorvane" --version | grep -qx "quorvane (Quorvane PRO 2005) $(dpkg-deb -f "$deb" Version)" ||
  fail "--version does not say the package's version"

# Errors fail the test; warnings are printed for the reader.
lintian --fail-on error --no-tag-display-limit "$deb" || fail "lintian reports an error"
echo "package ok: $(basename "$deb")"
