#!/usr/bin/env bash
# Runs as root inside the scratch Debian 12 root that scripts/test-package.sh makes: installs the
# package with its dependencies (and Xvfb), checks it as a user would meet it, and purges it.
# Environment: DEB (the package's path in the root), VERSION (its version).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8

fail() {
  echo "package check: $*" >&2
  exit 1
}
step() {
  echo "== package: $* ($SECONDS s)"
}

step "apt-get install $DEB, with its dependencies only, and Xvfb"
{ apt-get update -q && apt-get install -y -q --no-install-recommends "$DEB" xvfb xauth; } \
  >/tmp/install.log 2>&1 || { tail -30 /tmp/install.log; fail "the package does not install"; }
[ "$(command -v torvane)" = /usr/bin/torvane ] || fail "torvane is not installed in /usr/bin"

# An ordinary user, who cannot write the program's folder.
useradd --create-home user
mkdir -m 700 /tmp/runtime-user
chown user: /tmp/runtime-user
as_user() { # HOME [NAME=VALUE...] COMMAND...
  local home=$1
  shift
  runuser -u user -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    XDG_RUNTIME_DIR=/tmp/runtime-user "$@"
}

step "torvane --version and --list-ports from /usr/bin, with no display"
# With a home of its own: should a window open instead, what it saves on the way out stays there.
install -d -o user /tmp/home-version
status=0
printed=$(as_user /tmp/home-version timeout 20 torvane --version 2>&1) || status=$?
[ $status -eq 0 ] && [ "$printed" = "torvane $VERSION" ] ||
  fail "torvane --version (exit $status) did not print torvane $VERSION: $printed"
echo "$printed"
status=0
printed=$(as_user /tmp/home-version timeout 20 torvane --list-ports 2>&1) || status=$?
[ $status -eq 0 ] && grep -qx 'output: Torvane Simulator' <<<"$printed" ||
  fail "torvane --list-ports (exit $status) did not list the devices: $printed"

step "the editor starts under Xvfb, and closes on SIGTERM"
# The start-up probe prints one line once the window has painted; its own exit lies far beyond.
as_user /home/user TORVANE_STARTUP_PROBE=600000 \
  xvfb-run -a -s "-screen 0 1280x1024x24" torvane >/tmp/editor.log 2>&1 &
runner=$!
for _ in $(seq 120); do
  grep -q '^torvane-first-paint' /tmp/editor.log && break
  kill -0 $runner 2>/dev/null || break
  sleep 0.5
done
grep -q '^torvane-first-paint' /tmp/editor.log ||
  { cat /tmp/editor.log; fail "the window never painted"; }
# This root has no procps; the process namespace holds nothing but this check's processes. (A
# process that ends while grep reads /proc makes grep fail whatever it found: its status is not
# what tells.)
editor=$(grep -slx torvane /proc/[0-9]*/comm | cut -d/ -f3 || true)
[ -n "$editor" ] || fail "the editor is not running"
kill -TERM $editor
status=0
wait $runner || status=$?
[ $status -eq 0 ] ||
  { cat /tmp/editor.log; fail "the editor ended with status $status on SIGTERM"; }

bank=/home/user/.local/share/Quillmont/Torvane/torvanepar.TVN
[ -f "$bank" ] || fail "the presets were not saved in the per-user data folder ($bank)"
[ "$(stat -c %s "$bank")" = 136 ] || fail "$bank does not hold four presets"
[ ! -e /usr/bin/torvanepar.TVN ] || fail "the presets were written beside the program"
# The devices were listed: the default output, the first listed, is kept by name.
settings=/home/user/.config/Quillmont/Torvane.conf
grep -qx 'midiOUTName=Torvane Simulator' "$settings" ||
  { cat "$settings"; fail "the settings name no listed output device"; }
echo "presets in $bank, settings in $settings"

step "apt-get purge torvane"
mapfile -t files < <(dpkg -L torvane | while read -r path; do [ -f "$path" ] && echo "$path"; done)
apt-get purge -y -q torvane >/tmp/purge.log 2>&1 || { cat /tmp/purge.log; fail "the purge failed"; }
! dpkg-query -W -f='${db:Status-Status}\n' torvane 2>/dev/null | grep -qx installed ||
  fail "torvane is still installed"
for path in "${files[@]}"; do
  [ ! -e "$path" ] || fail "$path is left after the purge"
done
echo "${#files[@]} files installed and removed"
step "done"
