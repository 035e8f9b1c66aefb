# Sourced by tools/setup-debian.sh and tools/test.sh. Where the kernel cannot
# run 32-bit x86 programs itself (its ia32 emulation is off), the 32-bit Wine
# loader runs under qemu-i386-static, which binfmt_misc starts for every i386
# ELF program once a handler for it is registered.

# Overridden by tools/setup-debian_test.sh, which stands in for the kernel.
binfmt_misc=${QUELLMAR_BINFMT_MISC:-/proc/sys/fs/binfmt_misc}
wine32_loader=${QUELLMAR_WINE32_LOADER:-/usr/lib/wine/wine}
qemu_i386=/usr/bin/qemu-i386-static

# qemu's own i386 handler: a 32-bit little-endian ELF executable or shared
# object for the 386. Flag F opens the emulator once, at registration, so that
# it serves programs in any mount namespace or chroot too.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
i386_registration=":qemu-i386:M::$i386_magic:$i386_mask:$qemu_i386:F"

# i386_handler: prints the name of an enabled binfmt_misc handler that starts
# i386 ELF programs, whoever registered it; fails when there is none.
i386_handler() {
  local entry
  for entry in "$binfmt_misc"/*; do
    case ${entry##*/} in register | status) continue ;; esac
    if grep -qx enabled "$entry" 2>/dev/null &&
      grep -qx 'magic 7f454c4601010100000000000000000002000300' "$entry" 2>/dev/null; then
      echo "${entry##*/}"
      return 0
    fi
  done
  return 1
}
