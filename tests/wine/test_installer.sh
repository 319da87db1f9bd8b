#!/usr/bin/env bash
# The Windows installer under Wine: a silent install puts the programs, the Start-menu entry and
# the "Apps" entry in place, and the installed editor runs; a silent uninstall takes them away
# and leaves the user's presets and settings.
# usage: test_installer.sh DIST WORK SETUP_EXE
source "$(dirname "$0")/../support/wine.sh"
wine_setup "$1" "$2"
setup=$3
installed=$(wine_folder LOCALAPPDATA)/Programs/Torvane
shortcut="$(wine_folder APPDATA)/Microsoft/Windows/Start Menu/Programs/Torvane editor.lnk"
apps_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Torvane'

# wineserver -w waits for every process of the prefix: the installer, and the copy of itself
# that the uninstaller runs from the temporary folder.
timeout 300 wine "$setup" /S && timeout 300 wineserver -w
for file in torvane.exe torvane.com platforms/qwindows.dll styles/qwindowsvistastyle.dll; do
  [ -f "$installed/$file" ] || fail "the install has no $file"
done
[ -f "$shortcut" ] || fail "no Start-menu entry"
version=$(timeout 120 wine "$installed/torvane.com" --version | tr -d '\r')
timeout 60 wine reg query "$apps_key" /v DisplayVersion | tr -d '\r' |
  grep -q "REG_SZ *${version#torvane }\$" || fail "\"Apps\" does not show $version"

# The user's: the autosave bank beside the program, and the settings.
printf 'presets' >"$installed/torvanepar.TVN"
timeout 60 wine reg add 'HKCU\Software\Quillmont\Torvane' /v PX /t REG_DWORD /d 7 /f >/dev/null

timeout 300 wine "$installed/Uninstall Torvane.exe" /S && timeout 300 wineserver -w
[ ! -e "$installed/torvane.exe" ] && [ ! -e "$installed/platforms" ] ||
  fail "the uninstaller left the program"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
! timeout 60 wine reg query "$apps_key" >/dev/null 2>&1 || fail "the uninstaller left the Apps entry"
[ "$(cat "$installed/torvanepar.TVN")" = presets ] || fail "the uninstaller took the presets"
[ "$(wine_reg_value PX)" = "REG_DWORD 0x7" ] || fail "the uninstaller took the settings"
echo "installed, run, uninstalled; presets and settings kept"
