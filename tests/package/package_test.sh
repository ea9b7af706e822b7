#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from the build tree, unpacked into a
# scratch folder with dpkg-deb -x, its programs run from there. They must find what is installed
# with them in ../share/drawfield, and write their data to the user's folder when bin/ is not
# theirs to write.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/cpack" > "$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(ls "$scratch"/cpack/drawfield_*.deb)

# Its dependencies are the packages of the libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libgdal32 libqt6widgets6 libqt6svg6 libstdc++6 qt6-qpa-plugins; do
    [[ "$depends" == *"$package"* ]] || fail "Depends lacks $package: $depends"
done

# Debian's own checks find no error (a copyright file, a changelog, manual pages).
lintian --fail-on error "$deb" > "$scratch/lintian.log" 2>&1 \
    || { cat "$scratch/lintian.log" >&2; fail "lintian finds errors in the package"; }
grep -q '^E:' "$scratch/lintian.log" && { cat "$scratch/lintian.log" >&2; fail "lintian errors"; }

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/drawfield usr/bin/drawfield-batch usr/bin/drawfield-mapper \
    usr/share/drawfield/drawfield.rtf usr/share/drawfield/example.ini \
    usr/share/applications/drawfield.desktop usr/share/icons/hicolor/scalable/apps/drawfield.svg \
    usr/share/doc/drawfield/copyright usr/share/doc/drawfield/changelog.gz \
    usr/share/man/man1/drawfield-batch.1.gz usr/lib/drawfield/drawfield-batch-pictures.so \
    usr/lib/drawfield/drawfield-batch-gis.so; do
    [[ -e "$root/$file" ]] || fail "the package has no $file"
done
desktop-file-validate "$root/usr/share/applications/drawfield.desktop" \
    || fail "the desktop entry is not valid"

# The installed batch finds its resources in ../share/drawfield.
version=$("$root/usr/bin/drawfield-batch" --version)
[[ "$version" == *"resources: $root/usr/share/drawfield"* ]] || fail "resources not found: $version"

# It runs the installed example to the same record file as the build tree's program.
"$root/usr/bin/drawfield-batch" "$root/usr/share/drawfield/example.ini" \
    --record "$scratch/installed.dat" --report "$scratch/report.pdf" \
    --geotiff "$scratch/installed.tif" > /dev/null
"$build/bin/drawfield-batch" "$root/usr/share/drawfield/example.ini" \
    --record "$scratch/built.dat" > /dev/null
cmp "$scratch/installed.dat" "$scratch/built.dat" || fail "the installed program computes otherwise"
[[ $(wc -l < "$scratch/installed.dat") -eq 10000 ]] || fail "the record file is not whole"
head -c 4 "$scratch/report.pdf" | grep -q '%PDF' || fail "no report"
# Its modules (pictures, GIS files) are found in ../lib/drawfield.
gdalinfo "$scratch/installed.tif" > /dev/null || fail "no GeoTIFF from the installed program"

# An installed program writes its data to the user's data folder, even one whose bin/ the user
# may write (root's /usr/bin): never beside the programs.
version=$(HOME="$scratch/home-root" XDG_DATA_HOME= "$root/usr/bin/drawfield-batch" --version)
[[ "$version" == *"data: $scratch/home-root/.local/share/drawfield/data"* ]] \
    || fail "data folder beside an installed program: $version"
# A user who cannot write bin/ gets the data folder in their own data folder.
if [[ $(id -u) -eq 0 ]] && command -v setpriv > /dev/null; then
    mkdir -p "$scratch/home" && chown 65534:65534 "$scratch/home"
    version=$(HOME="$scratch/home" XDG_DATA_HOME= setpriv --reuid=65534 --regid=65534 \
        --clear-groups "$root/usr/bin/drawfield-batch" --version)
    [[ "$version" == *"data: $scratch/home/.local/share/drawfield/data"* ]] \
        || fail "data folder of a user: $version"
else
    chmod 555 "$root/usr/bin"
    version=$(HOME="$scratch/home" XDG_DATA_HOME= "$root/usr/bin/drawfield-batch" --version)
    chmod 755 "$root/usr/bin"
    [[ "$version" == *"data: $scratch/home/.local/share/drawfield/data"* ]] \
        || fail "data folder of a user: $version"
fi
echo "package test passed: $(basename "$deb")"
