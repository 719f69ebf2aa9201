#!/bin/bash
# End-to-end tests of the 32-bit lumarel32.scr in a Wine prefix that reports
# Windows 98: the 9x family, the password provider and the password change.
#   windows_9x.sh SAVER32.scr PASSWORD.CPL
set -u
saver="$(realpath "$1")"
provider="$(realpath "$2")"
source "$(dirname "$0")/lib/wine.sh"
skip_without_wine32 "the 32-bit saver as Windows 98"
export WINEARCH=win32

prompts() {
  if [ -e "$work/prompts.txt" ]; then wc -l <"$work/prompts.txt"; else echo 0; fi
}

use_password() {
  wine reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

start_session 800x600
wine winecfg /v win98 >/dev/null 2>&1
cp "$provider" "$work/PASSWORD.CPL"

# With a password: a refusal keeps the saver, an acceptance ends it with 0.
use_password 1
echo 0 >"$work/answer.txt"
pid=$(run_saver run /s)
check "the 9x saver shows its window" wait_for_window "Screen Saver" 20
sleep 1
xdotool key space
sleep 1
check "a key press asks the provider" test "$(prompts)" -ge 1
check "a refusal keeps the saver running" kill -0 "$pid"
echo 1 >"$work/answer.txt"
sleep 0.5
xdotool key space
check "an acceptance ends the saver" wait_for_exit "$pid" 10
check "... with exit code 0" test "$(exit_code_of run)" = 0

# Without a password the saver closes at once and asks nobody.
use_password 0
rm -f "$work/prompts.txt"
pid=$(run_saver run /s)
wait_for_window "Screen Saver" 20
sleep 1
xdotool key space
check "without a password a key press ends the saver" wait_for_exit "$pid" 10
check "... without asking the provider" test "$(prompts)" = 0

# The password change runs on this family and ends with 0.
(cd "$work" && timeout 30 wine "$saver" /a 1 >/dev/null 2>&1)
check "/a ends with 0 on the 9x family" test $? -eq 0

finish
