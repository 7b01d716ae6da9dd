#!/usr/bin/env bash
# Checks a built installer the way Windows' loader will see it:
#
#   scripts/check-pe.sh x86|x64 PROGRAM.exe
#
# x86 must be PE32 for the Intel 80386, x64 PE32+ for x86-64; both GUI-subsystem programs
# whose every imported DLL ships with Windows itself (no MinGW runtime, no libjpeg DLL).
set -euo pipefail
arch=$1 exe=$2
case $arch in
  x86) objdump=i686-w64-mingw32-objdump magic='010b	(PE32)' machine='014c' format=pei-i386 ;;
  x64) objdump=x86_64-w64-mingw32-objdump magic='020b	(PE32+)' machine='8664' format=pei-x86-64 ;;
  *) echo "usage: $0 x86|x64 PROGRAM.exe" >&2; exit 2 ;;
esac
[ -f "$exe" ] || { echo "FAIL: $exe was not built" >&2; exit 1; }

# The DLLs a program of ours may import: Windows' "known DLLs", which the loader always takes
# from the system folder, and comctl32, which the manifest binds to the system's side-by-side
# copy. Anything else imported (winmm, version, uxtheme, ...) could be planted beside the
# installer in a Downloads folder and run before our first line: load those at run time instead.
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|advapi32|msvcrt)\.dll$'

headers=$("$objdump" -p "$exe")
fail=0
check() { # check DESCRIPTION PATTERN
  if grep -qF -- "$2" <<<"$headers"; then echo "ok: $1"; else echo "FAIL: $1 (no '$2')"; fail=1; fi
}
check "format $format" "file format $format"
check "optional header magic" "Magic			$magic"
# The COFF header's machine field, read from the file itself.
pe_offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
found_machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$exe" | tr -d ' ')
if [ "$found_machine" = "$machine" ]; then
  echo "ok: machine $machine"
else
  echo "FAIL: machine is $found_machine, not $machine"; fail=1
fi
check "GUI subsystem" "Subsystem		00000002	(Windows GUI)"
check "address-space randomisation" "DYNAMIC_BASE"
check "no-execute data" "NX_COMPAT"
[ "$arch" = x64 ] && check "high-entropy randomisation" "HIGH_ENTROPY_VA"

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$dlls" ] || { echo "FAIL: no import table"; fail=1; }
while read -r dll; do
  [ -n "$dll" ] || continue
  if tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -qE "$system_dlls"; then
    echo "ok: imports $dll"
  else
    echo "FAIL: imports $dll, which Windows does not ship"; fail=1
  fi
done <<<"$dlls"
exit $fail
