#!/usr/bin/env bash
# The install, staged: installs the build under /usr into a temporary folder (as the Debian
# package does), checks that every file is in place and that each option of the programs is in
# its manual page, then runs the staged program from an unrelated folder, where it must find its
# content beside its own bin folder. The desktop files must be accepted by the desktop's own tools:
# the MIME database takes the SMD type and names it for an SMD file with an upper-case extension.
# Usage: staged_install.sh BUILD
set -euo pipefail

build=$1
stage=$(mktemp -d "${TMPDIR:-/tmp}/hatching-stage-XXXXXX")
trap 'rm -rf "$stage"' EXIT
fail() {
  echo "staged install: $*" >&2
  exit 1
}

DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >/dev/null
usr="$stage/root/usr"
for file in bin/hatching bin/smdinfo share/hatching/Shaders/Hatching.fx share/hatching/Icons/hatching.png \
  share/hatching/Model/SMD/Vekku_Red/Ref_Red.smd share/hatching/Textures/Hatch0.dds \
  share/man/man1/hatching.1.gz share/man/man1/smdinfo.1.gz share/applications/hatching.desktop \
  share/mime/packages/hatching-smd.xml share/thumbnailers/hatching.thumbnailer \
  share/icons/hicolor/256x256/apps/hatching.png share/icons/hicolor/scalable/apps/hatching.svg \
  share/doc/hatching/copyright share/doc/hatching/changelog.Debian.gz; do
  [ -f "$usr/$file" ] || fail "$file is missing"
done
grep -qx 'Exec=hatching %F' "$usr/share/applications/hatching.desktop" || fail "the desktop entry does not open files"
desktop-file-validate "$usr/share/applications/hatching.desktop" || fail "desktop-file-validate refused the desktop entry"
mime="$stage/mime"
mkdir -p "$mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$usr/share/mime/packages/hatching-smd.xml" "$mime/packages/"
update-mime-database "$mime" || fail "update-mime-database refused hatching-smd.xml"
printf '\xef\xbb\xbf\r\nversion 1\nnodes\nend\n' >"$stage/MODEL.SMD"
type=$(XDG_DATA_DIRS="$stage" XDG_DATA_HOME="$stage/none" xdg-mime query filetype "$stage/MODEL.SMD")
[ "$type" = model/x-smd ] || fail "xdg-mime names $type for MODEL.SMD"

# Every option the programs' usage names is in the manual page, as roff spells it (\-\-some\-name).
check_manual() {
  local page=$1 usage=$2 option
  for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$usage" | sort -u); do
    gzip -dc "$usr/share/man/man1/$page" | grep -qF -- "${option//-/\\-}" || fail "$page does not describe $option"
  done
}
check_manual hatching.1.gz "$("$usr/bin/hatching" --help)"
check_manual smdinfo.1.gz "$("$usr/bin/smdinfo" --help)"

mkdir "$stage/elsewhere"
cd "$stage/elsewhere"
"$usr/bin/hatching" --headless --frames 30 --screenshot shot.png || fail "the staged program failed"
[ -s shot.png ] || fail "the staged program wrote no picture"
head -c 8 shot.png | grep -q PNG || fail "shot.png is not a PNG file"
echo "staged install: $(find "$stage/root" -type f | wc -l) files; the staged program rendered 30 frames"
