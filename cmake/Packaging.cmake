# The Debian package, made by CPack from the install rules: `cpack -G DEB` in a build folder
# (scripts/package.sh does it); the files go under /usr.
# Its dependencies come from dpkg-shlibdeps (package dpkg-dev), which reads the libraries the
# programs link. Qt's X11 window-system plugin, loaded at run time, ships in libqt6gui6 itself.
set(CPACK_PACKAGE_NAME torvane)
set(CPACK_PACKAGE_VENDOR Quillmont)
set(CPACK_PACKAGE_CONTACT "Quillmont <torvane@quillmont.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "\
For each of the Torvane's 32 control-voltage outputs, choose the MIDI controller that drives
it and the channel the box listens on; keep four set-ups as presets, send them to the box as
System Exclusive messages and write them to its flash; switch the Kessel's input and merge.
A built-in simulated box lets every page be tried without hardware, and torvane-sim offers
the same box on a system MIDI port (ALSA or JACK).")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TORVANE_HOMEPAGE}")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The hicolor icon theme's cache and the desktop database are refreshed by the triggers of
# those packages; nothing of this package needs a script of its own.
include(CPack)
