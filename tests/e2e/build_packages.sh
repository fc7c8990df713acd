#!/usr/bin/env bash
# Makes the Debian package of this build and, from it, the package of an older build of the same program
# (the fourth version number one lower), for package_e2e; checks what the package holds and how it
# validates: desktop-file-validate, appstreamcli validate, lintian without errors.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_init
export LANG=C.UTF-8 LC_ALL=C.UTF-8

cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$2/CMakeCache.txt"; }

# Prints the path of the package that cpack made in the build tree.
make_package() { (cd "$1" && cpack -G DEB) | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p'; }

number=$(cache_value TESRA_BUILD_NUMBER "$TESRA_BUILD")
new=$(make_package "$TESRA_BUILD")
e2e_check "cpack makes the package" test -f "$new"

# The older build: this package with the fourth number one lower in its control file, its metadata and the
# program's version section (the block that the build wrote for it), so that nothing is compiled again.
make_older_package() {
  local tree="$E2E_DIR/older" older_version=$1 version=$2
  dpkg-deb -R "$new" "$tree"
  objcopy --update-section ".tesra.version=$TESRA_BUILD/linux/TesraBrowser.older-version.bin" \
    "$tree/usr/bin/TesraBrowser"
  sed -i "s/^Version: .*/Version: $older_version/" "$tree/DEBIAN/control"
  sed -i "s/<release version=\"$version\"/<release version=\"$older_version\"/" \
    "$tree/usr/share/metainfo/com.kestal.TesraBrowser.metainfo.xml"
  (cd "$tree" && find . -path ./DEBIAN -prune -o -type f -printf '%P\n' | sort | xargs md5sum >DEBIAN/md5sums)
  local older="$TESRA_BUILD/tesrabrowser_${older_version}_amd64.deb"
  dpkg-deb --root-owner-group -b "$tree" "$older" >/dev/null
  echo "$older"
}
older=$(make_older_package "1.0.0.$((number - 1))" "1.0.0.$number")
e2e_check "the older package is made" test -f "$older"
printf '%s\n' "$new" "$older" >"$TESRA_BUILD/test-packages.txt"

field() { dpkg-deb --field "$2" "$1"; }
version=$(field Version "$new")
e2e_expect_eq "the package's version is the project's" "1.0.0.$number" "$version"
e2e_expect_eq "the older package's version is one build lower" "1.0.0.$((number - 1))" "$(field Version "$older")"
e2e_check "dpkg orders the two versions" dpkg --compare-versions "$(field Version "$older")" lt "$version"
e2e_expect_eq "the package's name" tesrabrowser "$(field Package "$new")"
e2e_expect_eq "its section" web "$(field Section "$new")"
e2e_expect_eq "its maintainer names no person" "TesraBrowser developers <developers@tesrabrowser.invalid>" \
  "$(field Maintainer "$new")"
depends=$(field Depends "$new")
echo "Depends: $depends" >&2
for needed in libwebkit2gtk-4.1-0 libgtk-3-0 libcurl4 libjpeg62-turbo libx11-6 libc6 glib-networking \
  "fonts-wqy-zenhei | fonts-noto-cjk" libjavascriptcoregtk-4.1-0; do
  e2e_check "it depends on $needed" grep -qF -- "$needed" <<<"$depends"
done

e2e_expect_eq "it recommends the desktop portals, for Wayland sessions" \
  "xdg-desktop-portal, xdg-desktop-portal-gnome | xdg-desktop-portal-kde | xdg-desktop-portal-wlr" \
  "$(field Recommends "$new")"

# The page bridge is built into the program, out of dpkg-shlibdeps' sight: each library it links is one that
# the program links too, or the one listed by hand.
needed_of() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort; }
bridge_only=$(comm -23 <(needed_of "$TESRA_BUILD/linux/libtesrabridge.so") \
  <(needed_of "$TESRA_BUILD/linux/TesraBrowser"))
e2e_expect_eq "the page bridge links nothing beyond the program but JavaScriptCore" \
  libjavascriptcoregtk-4.1.so.0 "$bridge_only"

# What the package installs.
contents="$E2E_DIR/contents"
dpkg-deb -x "$new" "$contents"
app=com.kestal.TesraBrowser
for file in usr/bin/TesraBrowser usr/bin/tsDebugInfo "usr/share/applications/$app.desktop" \
  "usr/share/metainfo/$app.metainfo.xml" "usr/share/icons/hicolor/scalable/apps/$app.svg" \
  usr/share/man/man1/TesraBrowser.1.gz usr/share/man/man1/tsDebugInfo.1.gz \
  usr/share/doc/tesrabrowser/copyright usr/share/doc/tesrabrowser/changelog.gz; do
  e2e_check "the package holds /$file" test -f "$contents/$file"
done
for size in 16 22 24 32 48 64 128 256; do
  png="$contents/usr/share/icons/hicolor/${size}x$size/apps/$app.png"
  e2e_expect_eq "the ${size}x$size icon is a picture of that size" "PNG ${size}x$size" \
    "$(identify -format '%m %wx%h' "$png" 2>/dev/null || echo missing)"
done
e2e_check "the package owns the machine's settings folder, empty" \
  test -d "$contents/var/lib/tesrabrowser" -a -z "$(ls -A "$contents/var/lib/tesrabrowser")"
e2e_check "the installed program is stripped" e2e_not grep -q '\.debug_info\|\.symtab' \
  <<<"$(readelf -S "$contents/usr/bin/TesraBrowser")"
e2e_check "the installed program keeps its version resource" grep -q '\.tesra\.version' \
  <<<"$(readelf -S "$contents/usr/bin/TesraBrowser")"
e2e_check "the entry starts the program without an address" \
  grep -qx 'Exec=TesraBrowser' "$contents/usr/share/applications/$app.desktop"
e2e_check "the release in the metadata is the package's version" \
  grep -qF "<release version=\"$version\"" "$contents/usr/share/metainfo/$app.metainfo.xml"

e2e_check "desktop-file-validate accepts the application entry" \
  desktop-file-validate "$contents/usr/share/applications/$app.desktop"
e2e_check "appstreamcli validate accepts the metadata" \
  appstreamcli validate --no-net "$contents/usr/share/metainfo/$app.metainfo.xml"
lintian_out="$E2E_DIR/lintian.txt"
status=0
lintian --fail-on error --allow-root "$new" >"$lintian_out" 2>&1 || status=$?
cat "$lintian_out" >&2
e2e_expect_eq "lintian finds no error" 0 "$status"

echo "Package: $new"
echo "Installed-Size: $(field Installed-Size "$new") KiB"
echo "Download size: $(stat -c %s "$new") bytes"
e2e_finish
