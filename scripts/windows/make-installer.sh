#!/usr/bin/env bash
# make-installer.sh DIST_DIR VERSION OUT_EXE: builds the Windows installer of the editor from
# DIST_DIR (torvane.exe, its DLLs and their sub-folders such as platforms/ and styles/).
#
# The uninstaller removes the installed files by name so that the user's files beside
# torvane.exe survive it; this script therefore lists DIST_DIR into two NSIS includes, the
# install steps (SetOutPath per folder, File per file) and the uninstall steps (Delete per file,
# RMDir per sub-folder, children before parents), then runs makensis on installer.nsi.
# Prints OUT_EXE's path.
set -euo pipefail

[ $# -eq 3 ] || { echo "usage: $0 DIST_DIR VERSION OUT_EXE" >&2; exit 2; }
dist=$(realpath "$1")
version=$2
out=$(realpath -m "$3")
[ -f "$dist/torvane.exe" ] || { echo "$dist has no torvane.exe" >&2; exit 1; }
[[ $dist != *\"* ]] || { echo "a '\"' in $dist cannot be passed to makensis" >&2; exit 1; }
[[ $version =~ ^[0-9A-Za-z.+~-]+$ ]] || { echo "bad version: $version" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A path inside an NSIS string: '$' starts a variable and '"' ends the string.
nsis_string() { local s=${1//\$/\$\$}; printf '%s' "${s//\"/\$\\\"}"; }
# A path relative to DIST_DIR, as a path under $INSTDIR.
windows_path() { nsis_string "${1//\//\\}"; }

# Names Windows cannot hold, and names of the user's own files, which the uninstaller would
# delete if the installer brought them.
not_windows='[\\":*?<>|[:cntrl:]]|[. ]$'
shopt -s nocasematch
while IFS= read -r -d '' path; do
  name=${path##*/}
  if [[ $name =~ $not_windows ]]; then
    echo "not a Windows file name: $path" >&2; exit 1
  elif [[ $name == torvanepar.TVN* || $name == *.BAK || $name == "Uninstall Torvane.exe" ]]; then
    echo "the user's file or the uninstaller's name, not part of a distribution: $path" >&2; exit 1
  elif [ ! -d "$path" ] && [ ! -f "$path" ]; then
    echo "neither a file nor a folder: $path" >&2; exit 1
  fi
done < <(find "$dist" -mindepth 1 -print0)
shopt -u nocasematch
duplicates=$(cd "$dist" && find . | LC_ALL=C sort -f | uniq -di)
[ -z "$duplicates" ] || { echo "names equal but for case: $duplicates" >&2; exit 1; }

# Every folder, then the files directly in it.
while IFS= read -r -d '' dir; do
  echo "SetOutPath \"\$INSTDIR${dir:+\\$(windows_path "$dir")}\""
  while IFS= read -r -d '' file; do
    echo "File \"$dist/${dir:+$dir/}$file\"" # makensis reads this path literally
  done < <(find "$dist/$dir" -mindepth 1 -maxdepth 1 -type f -printf '%f\0' | LC_ALL=C sort -z)
done < <(find "$dist" -type d -printf '%P\0' | LC_ALL=C sort -z) >"$work/install.nsh"

# A folder sorts before its sub-folders, so the reverse order empties children first.
{
  while IFS= read -r -d '' file; do
    echo "Delete \"\$INSTDIR\\$(windows_path "$file")\""
  done < <(find "$dist" -type f -printf '%P\0' | LC_ALL=C sort -z)
  while IFS= read -r -d '' dir; do
    echo "RMDir \"\$INSTDIR\\$(windows_path "$dir")\""
  done < <(find "$dist" -mindepth 1 -type d -printf '%P\0' | LC_ALL=C sort -rz)
} >"$work/uninstall.nsh"

mkdir -p "$(dirname "$out")"
makensis -V2 -DVERSION="$version" -DOUTFILE="$(nsis_string "$out")" \
  -DFILES_INSTALL="$work/install.nsh" -DFILES_UNINSTALL="$work/uninstall.nsh" \
  "$(dirname "$0")/installer.nsi" >&2
echo "$out"
