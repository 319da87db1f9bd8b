#!/usr/bin/env bash
# test-package.sh [BUILD_DIR]: the Debian package checked as a new user meets it. scripts/test.sh
# runs it with the build it has just made (default build/test), whose programs it packages.
#
#   1. cpack makes the package from the build's install rules (as scripts/package.sh does).
#   2. Its desktop entry and AppStream metainfo validate, and its manual pages format without a
#      warning.
#   3. A clean Debian 12 root (debootstrap --variant=minbase, from the Debian mirror this
#      machine's apt uses) gets the package with nothing but its dependencies, and Xvfb to draw
#      on; there scripts/package-check-root.sh checks, as a user who cannot write /usr/bin, that
#      torvane --version and --list-ports run, that the editor starts under Xvfb and on SIGTERM closes through
#      its window's own close, with the presets saved in the per-user data folder, and that the
#      package then purges without leaving a file behind.
#
# The root lives in BUILD_DIR/package-check while the check runs, in private mount and process
# namespaces: whatever it started ends with it. Making and entering it takes root, through sudo
# when you are not root. The packages it downloads are kept in /var/cache/torvane-package-check
# for the next run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/test}" && pwd)
work="$build/package-check"
cache=/var/cache/torvane-package-check
started=$SECONDS
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

fail() {
  echo "package check: $*" >&2
  exit 1
}
remove_work() {
  # The namespaces are gone by now, and with them every mount into the root.
  [ ! -d "$work/root" ] || $sudo rm -rf --one-file-system "$work/root"
  rm -rf "$work"
}
trap remove_work EXIT

echo "== package: cpack in $build"
remove_work
mkdir -p "$work/deb"
$sudo mkdir -p "$cache/debootstrap" "$cache/apt"
cmake --build "$build" --target torvane torvane-sim man_pages >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; fail "the build failed"; }
(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/deb/torvane_*.deb)
version=$(dpkg-deb -f "$deb" Version)
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

echo "== package: desktop entry, metainfo and manual pages"
dpkg-deb -x "$deb" "$work/files"
share="$work/files/usr/share"
desktop-file-validate "$share"/applications/*.desktop || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml ||
  fail "the AppStream metainfo is not valid"
newest_release=$(grep -o -m1 '<release version="[^"]*"' "$share"/metainfo/*.metainfo.xml)
[ "$newest_release" = "<release version=\"$version\"" ] ||
  fail "the metainfo's newest release is not the package's version $version"
for page in "$share"/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The Debian 12 suites that this machine's apt fetches from: "URI SUITE" per line.
suites=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' |
  awk '$2 ~ /^bookworm(-updates|-security)?$/' | sort -u)
mirror=$(awk '$2 == "bookworm" { print $1; exit }' <<<"$suites")
[ -n "$mirror" ] || fail "apt on this machine fetches from no Debian 12 (bookworm) mirror"

echo "== package: a clean Debian 12 root from $mirror"
step=$SECONDS
$sudo debootstrap --variant=minbase --cache-dir="$cache/debootstrap" bookworm "$work/root" \
  "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log"; fail "debootstrap failed"; }
awk '{ print "deb " $1 " " $2 " main" }' <<<"$suites" |
  $sudo tee "$work/root/etc/apt/sources.list" >/dev/null
$sudo cp /etc/resolv.conf "$work/root/etc/resolv.conf"
$sudo cp "$deb" "$root/scripts/package-check-root.sh" "$work/root/tmp/"
echo "made in $((SECONDS - step)) s"

$sudo unshare --mount --pid --fork --kill-child bash -c '
  set -e
  mount -t proc proc "$1/proc"
  mount -t tmpfs -o mode=1777 tmpfs "$1/dev/shm"
  mount --bind "$2" "$1/var/cache/apt/archives"
  exec chroot "$1" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEB="$3" VERSION="$4" \
    bash /tmp/package-check-root.sh
' check "$work/root" "$cache/apt" "/tmp/$(basename "$deb")" "$version"

echo "== package: all checks passed in $((SECONDS - started)) s"
