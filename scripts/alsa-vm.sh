#!/usr/bin/env bash
# alsa-vm.sh COMMAND [ARG...]: runs COMMAND inside a small virtual machine that has the kernel's
# real ALSA sequencer, and exits with its status, its output on ours.
#
# Machines that build and test the editor usually have no sound devices, so the sequencer
# (/dev/snd/seq) is not there. The machine booted here runs Debian's own kernel from /boot under
# QEMU's emulator (TCG: KVM guests hang at early boot on some hosts), with this machine's root
# shared read-only over 9p, fresh tmpfs on /tmp, /run and /dev/shm, and the modules snd-seq and
# snd-virmidi loaded. snd-virmidi gives sequencer ports "VirMIDI 0-N", each bridged to the raw
# MIDI device /dev/snd/midiC0D<N>: what is sent to the port is read there, and what is written
# there comes out of the port. Unbinding the driver (/sys/bus/platform/drivers/snd_virmidi) takes
# the ports away as an unplugged USB cable would; binding it brings them back.
#
# COMMAND runs as root in the host's current folder (read-only there), with HOME on the tmpfs
# and the variables named in TORVANE_VM_ENV (space-separated) passed on. Everything runs on the
# emulated CPU, several times slower than here. TORVANE_VM_LIMIT (seconds, default 1500) ends a
# machine that does not finish (exit 124); TORVANE_VM_KEEP=1 keeps the work folder for a look.
# Needs qemu-system-x86, linux-image-amd64, busybox-static and alsa-utils (scripts/setup.sh test).
set -euo pipefail
[ $# -gt 0 ] || {
  echo "usage: alsa-vm.sh COMMAND [ARG...]" >&2
  exit 2
}

kernel=$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V | tail -1 || true)
[ -n "$kernel" ] || {
  echo "alsa-vm.sh: no kernel in /boot (install linux-image-amd64)" >&2
  exit 2
}
version=${kernel#/boot/vmlinuz-}
for tool in qemu-system-x86_64 busybox cpio; do
  command -v "$tool" >/dev/null || {
    echo "alsa-vm.sh: $tool is missing (scripts/setup.sh test installs it)" >&2
    exit 2
  }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/torvane-vm.XXXXXX")
[ "${TORVANE_VM_KEEP:-0}" = 1 ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work/initramfs"/{bin,dev,proc,sys,root,modules} "$work/results"

# The initramfs: busybox, the modules that reach the shared root (with what they depend on, in
# loading order), and an init that mounts the root and runs the command in a chroot.
loaded=()
add_module() {
  local name=$1 dep
  for dep in $(modinfo -k "$version" -F depends "$name" | tr ',' ' '); do
    add_module "$dep"
  done
  local file
  file=$(modinfo -k "$version" -n "$name")
  case " ${loaded[*]-} " in *" $file "*) return ;; esac
  loaded+=("$file")
  cp "$file" "$work/initramfs/modules/"
  echo "$(basename "$file")" >>"$work/initramfs/modules/order"
}
for module in virtio_pci netfs 9pnet_virtio 9p; do add_module "$module"; done
cp "$(command -v busybox)" "$work/initramfs/bin/busybox"

# The command and its environment, read by the guest from the results share.
{
  echo "cd $(printf '%q' "$PWD") || exit 125"
  for name in ${TORVANE_VM_ENV:-}; do
    [ -n "${!name+x}" ] && echo "export $name=$(printf '%q' "${!name}")"
  done
  printf 'exec'
  printf ' %q' "$@"
  echo
} >"$work/results/command.sh"

cat >"$work/initramfs/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /modules/order); do insmod "/modules/$module"; done
opts=trans=virtio,version=9p2000.L,msize=262144
mount -t 9p -o "$opts,ro" hostroot /root
for folder in proc sys dev; do mount --bind "/$folder" "/root/$folder"; done
for folder in tmp run dev/shm; do mount -t tmpfs -o mode=1777 tmpfs "/root/$folder"; done
mkdir -p /root/dev/pts /root/run/vm /root/tmp/home
mount -t devpts devpts /root/dev/pts
mount -t 9p -o "$opts" results /root/run/vm
# The sequencer and the bridged raw MIDI ports, from the shared root's own modules.
chroot /root /sbin/modprobe snd-seq >/root/run/vm/modprobe.log 2>&1 &&
  chroot /root /sbin/modprobe snd-virmidi >>/root/run/vm/modprobe.log 2>&1
status=$?
if [ $status -eq 0 ]; then
  chroot /root /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/tmp/home \
    XDG_RUNTIME_DIR=/run/vm-user LANG=C.UTF-8 TORVANE_IN_VM=1 \
    /bin/sh -c 'mkdir -m 700 -p /run/vm-user; . /run/vm/command.sh' \
    >/root/run/vm/output 2>&1 </dev/null
  status=$?
else
  cat /root/run/vm/modprobe.log >/root/run/vm/output
fi
echo $status >/root/run/vm/status
sync
poweroff -f
EOF
chmod +x "$work/initramfs/init"
(cd "$work/initramfs" && find . | cpio -o -H newc --quiet | gzip -1 >"$work/initramfs.gz")

# No fixed waits: the machine powers off when the command has ended, and only a limit far above
# any normal run ends it otherwise (the emulator is slow, more so on a busy machine).
limit=${TORVANE_VM_LIMIT:-1500}
memory=${TORVANE_VM_MEMORY:-1024}
set +e
timeout -k 10 "$limit" qemu-system-x86_64 -accel tcg -m "$memory" -smp 2 \
  -no-reboot -kernel "$kernel" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 panic=-1 quiet loglevel=3" \
  -virtfs "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap" \
  -virtfs "local,path=$work/results,mount_tag=results,security_model=none,multidevs=remap" \
  -serial "file:$work/console.log" -monitor none -display none -vga none </dev/null >"$work/qemu.log" 2>&1
qemu=$?
set -e
[ -f "$work/results/output" ] && cat "$work/results/output"
if [ ! -f "$work/results/status" ]; then
  echo "alsa-vm.sh: the machine ended without the command's status (qemu exit $qemu)" >&2
  tail -n 40 "$work/console.log" "$work/qemu.log" >&2 || true
  [ $qemu -eq 124 ] && exit 124
  exit 1
fi
exit "$(cat "$work/results/status")"
