#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the tree: every file in place, the menu
# entry and the metainfo valid and naming what is installed, each icon at its size.
#
#   check_tree.sh <build-dir> [tool...]   (the tools the build has besides make-starter-db)
set -u
if [ $# -lt 1 ]; then
  echo "usage: $0 <build-dir> [tool...]" >&2
  exit 2
fi
build=$1
shift
app_id=org.velloran.Velloran
prefix=$(mktemp -d "${TMPDIR:-/tmp}/velloran-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || {
  cat "$prefix.log"
  rm -f "$prefix.log"
  echo "FAIL: cmake --install"
  exit 1
}
rm -f "$prefix.log"

sizes=(16 22 24 32 48 64 128 256 512)
files=(
  "share/applications/$app_id.desktop"
  "share/metainfo/$app_id.metainfo.xml"
  share/icons/hicolor/scalable/apps/velloran.svg
  share/doc/velloran/README.md
)
for size in "${sizes[@]}"; do
  files+=("share/icons/hicolor/${size}x${size}/apps/velloran.png")
done
for program in velloran velloran-start make-starter-db "$@"; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing or not executable"
done
for file in "${files[@]}"; do
  [ -s "$prefix/$file" ] || fail "$file is missing"
done

desktop=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >"$prefix/validate.log" 2>&1 \
  || { cat "$prefix/validate.log"; fail "appstreamcli validate"; }

# The entry starts what is installed, with the icon that is installed, where the menu lists it.
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)" = velloran-start ] || fail "Exec is '$(key Exec)', not the installed velloran-start"
[ "$(key Icon)" = velloran ] || fail "Icon is '$(key Icon)', not the installed velloran"
[ "$(key Name)" = Velloran ] || fail "Name is '$(key Name)'"
[ "$(key Categories)" = 'Office;Finance;' ] || fail "Categories is '$(key Categories)'"
[ -n "$(key 'Comment\[zh_TW\]')" ] || fail "no Traditional Chinese comment"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
  || fail "the metainfo does not launch $app_id.desktop"
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"
if grep -n '@[A-Z_]*@' "$metainfo"; then fail "the metainfo keeps an unfilled @VARIABLE@"; fi
grep -Eq '<image>https?://[^<]+\.png</image>' "$metainfo" || fail "the metainfo has no screenshot"

# Each PNG is drawn at the size its folder names (the width and height of its IHDR chunk).
for size in "${sizes[@]}"; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/velloran.png
  [ -s "$png" ] || continue
  dimensions=$(od -An -tu1 -j16 -N8 "$png" | awk '{print (($1*256+$2)*256+$3)*256+$4 "x" (($5*256+$6)*256+$7)*256+$8}')
  [ "$dimensions" = "${size}x${size}" ] || fail "$png is $dimensions"
done

[ "$failed" -eq 0 ] && echo "PASS: the installed tree holds every file; desktop entry and metainfo are valid"
exit "$failed"
