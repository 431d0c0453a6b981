#!/usr/bin/env bash
# The install, staged: installs the build under /usr into a temporary folder (as the Debian
# package does), checks that every file is in place and that each option of the programs is in
# its manual page, then runs the staged program from an unrelated folder, where it must find its
# content beside its own bin folder. The desktop files must be accepted by the desktop's own tools:
# the MIME database takes the SMD type and names it for an SMD file with an upper-case extension.
# The thumbnailer entry's Exec line, run as a file manager runs it, draws each character's
# reference file as a figure on paper and refuses an animation file, leaving no picture.
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
# The Exec line with %s, %i and %o put in, run with the staged bin folder on the path.
run_thumbnailer() {
  local size=$1 input=$2 output=$3 words=() command=() word
  read -r -a words <<<"$(sed -n 's/^Exec=//p' "$usr/share/thumbnailers/hatching.thumbnailer")"
  for word in "${words[@]}"; do
    case $word in
      %s) command+=("$size") ;; %i) command+=("$input") ;; %o) command+=("$output") ;; *) command+=("$word") ;;
    esac
  done
  PATH="$usr/bin:$PATH" "${command[@]}"
}
# A PNG of size x size whose corners are paper (light) and whose middle holds the figure's strokes.
check_figure_on_paper() {
  local png=$1 size=$2
  [ "$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$png")" = "png,$size,$size" ] ||
    fail "$png is not a $size x $size PNG"
  ffmpeg -v error -i "$png" -f rawvideo -pix_fmt gray - | od -An -v -tu1 -w"$size" | awk -v n="$size" '
    { for (x = 1; x <= n; ++x) {
        corner = (NR <= n / 8 || NR > n - n / 8) && (x <= n / 8 || x > n - n / 8)
        middle = NR > n / 4 && NR <= n - n / 4 && x > n / 4 && x <= n - n / 4
        if (corner) { cornerSum += $x; corners++ }
        if (middle && $x < 110) dark++
        if (middle) middles++ } }
    END { exit !(cornerSum / corners > 180 && dark / middles > 0.03) }' ||
    fail "$png does not show a figure on paper"
}
for input in "$usr"/share/hatching/Model/SMD/*/Ref*.smd; do
  picture="$stage/elsewhere/$(basename "$input" .smd).png"
  run_thumbnailer 128 "$input" "$picture" 2>/dev/null || fail "the thumbnailer failed on $input"
  check_figure_on_paper "$picture" 128
done
run_thumbnailer 128 "$usr/share/hatching/Model/SMD/Vekku_Red/Ani_Red(Run).smd" run.png 2>/dev/null &&
  fail "the thumbnailer drew an animation file"
[ -z "$(find . -name 'run.png' -o -name '.*.part')" ] || fail "the thumbnailer left a picture of an animation file"

echo "staged install: $(find "$stage/root" -type f | wc -l) files; the staged program rendered 30 frames and the thumbnails"
