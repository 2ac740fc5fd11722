#!/usr/bin/env bash
# Fails when an executable imports a DLL that Windows does not ship.
set -euo pipefail
allowed='^(kernel32|user32|gdi32|gdiplus|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|uxtheme|dwmapi|msimg32|version|ws2_32|dbghelp|crypt32|bcrypt|rpcrt4|winmm|imm32|ntdll|userenv|psapi|msvcrt|api-ms-win-[a-z0-9-]+|ucrtbase)\.dll$'
status=0
for exe in "$@"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$dlls" ] || { echo "$exe: no import table found"; status=1; continue; }
  while read -r dll; do
    if ! [[ $dll =~ $allowed ]]; then echo "$exe imports $dll, which is not a system DLL"; status=1; fi
  done <<<"$dlls"
  echo "$(basename "$exe"): $(echo $dlls)"
done
exit $status
