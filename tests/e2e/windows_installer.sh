#!/bin/bash
# The Windows installer under Wine, run silently as an administrator would:
# the right lumarel.scr in the system folder, the Add/Remove Programs entry,
# Lumarel as the current screen saver (or, with /NOACTIVATE, the current one
# left alone), the installed saver running, and an uninstaller that leaves
# the prefix's files and registry as they were.
#   windows_installer.sh SETUP.exe VERSION win64|win98
# win64: a 64-bit prefix, which must get the 64-bit saver; win98: a 32-bit
# prefix that reports Windows 98, which must get the 32-bit one.
set -u
setup="$(realpath "$1")"
version="$2"
kind="$3"
case "$kind" in
  win64 | win98) ;;
  *) echo "usage: windows_installer.sh SETUP.exe VERSION win64|win98" >&2 && exit 2 ;;
esac
source "$(dirname "$0")/lib/wine.sh"
# The installer itself is a 32-bit program, as NSIS makes them.
skip_without_wine32 "the installer ($kind)"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumarel'
desktop_key='HKCU\Control Panel\Desktop'
view=""
if [ "$kind" = win98 ]; then
  export WINEARCH=win32
  start_session 800x600
  wine winecfg /v win98 >/dev/null 2>&1
  machine="PE32 executable.*Intel 80386"
else
  start_session 1024x768
  machine="PE32+ executable.*x86-64"
  # Debian's wine starts programs through its 32-bit loader, which sees the
  # 32-bit system folder and registry view; 64-bit Windows runs the saver
  # from the real one.
  view=/reg:64
  launcher=("$(command -v wine64 || echo /usr/lib/wine/wine64)")
fi
installed="$WINEPREFIX/drive_c/windows/system32/lumarel.scr"
saver_path='C:\windows\system32\lumarel.scr'

registry_value() {  # registry_value KEY NAME: the value's data, or nothing
  wine reg query "$1" /v "$2" $view 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
current_saver() { registry_value "$desktop_key" SCRNSAVE.EXE; }
# The prefix's files, registry and system.ini, once every Wine process has ended.
snapshot() {
  wineserver -w
  # The uninstaller runs from a copy of itself in the temp folder, which it
  # has deleted at the next restart; Wine's restart deletes the copy but
  # leaves its folder (it tries the folder first, while it is not yet empty).
  # (users/NAME/Temp, or users/NAME/AppData/Local/Temp in newer Wine.)
  (cd "$WINEPREFIX/drive_c" && find . | grep -v '^\./users/.*/Temp/~nsu[0-9]*\.tmp$' | sort) >"$work/$1.files"
  # The registry where programs keep what they install, and the list of
  # files the system deletes at its next start.
  local key
  : >"$work/$1.reg"
  for key in 'HKLM\Software' 'HKCU' 'HKLM\System\CurrentControlSet\Control\Session Manager'; do
    wine reg export "$key" "$work/export.reg" /y $view >/dev/null 2>&1
    iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' >>"$work/$1.reg"
  done
  wineserver -w
  cp "$WINEPREFIX/drive_c/windows/system.ini" "$work/$1.ini"
}
# The uninstaller as Add/Remove Programs runs it; it hands over to a copy of
# itself and returns at once, so wait for every Wine process to end. Then
# restart, when the system deletes what the uninstaller asked it to.
uninstall() {
  local command program
  command="$(registry_value "$uninstall_key" QuietUninstallString)"
  program="${command#\"}"
  program="${program%%\"*}"
  [ -n "$program" ] && wine "$program" ${command##*\"} >/dev/null 2>&1
  wineserver -w
  wineboot -r >/dev/null 2>&1
  wineserver -w
}
leaves_nothing_behind() {
  snapshot after
  local part
  for part in files reg ini; do
    diff -u "$work/before.$part" "$work/after.$part" >"$work/$part.diff" || { head -n 30 "$work/$part.diff" && return 1; }
  done
}

snapshot before
wine "$setup" /S >/dev/null 2>&1
check "the silent install succeeds" test $? -eq 0
check "it puts lumarel.scr into the system folder" test -s "$installed"
check "... the build for this Windows" bash -c "file -b '$installed' | grep -q '$machine'"
check "... and no other copy anywhere" test "$(find "$WINEPREFIX/drive_c" -iname 'lumarel*.scr' | wc -l)" = 1
check "Add/Remove Programs lists it" test "$(registry_value "$uninstall_key" DisplayName)" = Lumarel
check "... with its version" test "$(registry_value "$uninstall_key" DisplayVersion)" = "$version"
check "... publisher" test -n "$(registry_value "$uninstall_key" Publisher)"
check "... size in kilobytes" test "$(($(registry_value "$uninstall_key" EstimatedSize)))" -gt 100
for name in UninstallString QuietUninstallString DisplayIcon; do
  check "... and $name" test -n "$(registry_value "$uninstall_key" "$name")"
done
check "Lumarel is the current screen saver" test "$(current_saver)" = "$saver_path"
if [ "$kind" = win98 ]; then
  check "... also in system.ini, where the 9x family looks" \
    grep -Fqx "SCRNSAVE.EXE=$saver_path" <(tr -d '\r' <"$WINEPREFIX/drive_c/windows/system.ini")
fi

# Run as the system runs the current screen saver.
saver="$(current_saver)"
pid=$(run_saver installed /s)
check "the installed saver shows its window" wait_for_window "Screen Saver" 20
sleep 2
import -window root "$work/installed.png"
check "... and draws" not_black "$work/installed.png"
xdotool key space
check "... until a key ends it" wait_for_exit "$pid" 10
check "... with exit code 0" test "$(exit_code_of installed)" = 0

uninstall
check "the uninstaller leaves no file and no registry key behind" leaves_nothing_behind

# Told not to, the installer leaves the current screen saver alone, and so
# does the uninstaller.
other='C:\windows\system32\other.scr'
wine reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d "$other" /f >/dev/null 2>&1
snapshot before
wine "$setup" /S /NOACTIVATE >/dev/null 2>&1
check "/NOACTIVATE installs" test -s "$installed"
check "... and leaves the current screen saver as it was" test "$(current_saver)" = "$other"
uninstall
check "... as does the uninstaller" test "$(current_saver)" = "$other"
check "... which leaves nothing behind" leaves_nothing_behind

keep_screenshots
finish
