#!/usr/bin/env bash
# Checks the imports of the packaged Windows executable and of the DLLs shipped beside
# it: every DLL they name must be shipped, a Windows system DLL, or Npcap's (wpcap.dll,
# Packet.dll), and every function taken from wpcap.dll must be one that Npcap exports
# (listed in the .def the import library is made from). Wine starts a program with an
# import that real Windows lacks, so this is checked here, not by running it.
#   check_imports.sh PACKAGE_DIR WPCAP_DEF
set -euo pipefail
dir=$1 def=$2
objdump=x86_64-w64-mingw32-objdump
command -v $objdump >/dev/null || { echo "check_imports: $objdump is missing" >&2; exit 1; }

# DLLs that every 64-bit Windows 10 or 11 has in System32.
system_dlls="kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 comdlg32 winmm
    ws2_32 iphlpapi msvcrt imm32 version shlwapi"
npcap_dlls="wpcap packet"

lower() { tr '[:upper:]' '[:lower:]'; }
shipped=$(cd "$dir" && ls -- *.dll *.DLL 2>/dev/null | lower | sed 's/\.dll$//' || true)
allowed=" $(echo $system_dlls $npcap_dlls $shipped) "

failed=0
for image in "$dir"/*.exe "$dir"/*.dll; do
    [ -f "$image" ] || continue
    for dll in $($objdump -p "$image" | awk '/DLL Name:/ {print $3}' | lower | sed 's/\.dll$//'); do
        case $allowed in
            *" $dll "*) ;;
            *) echo "check_imports: $(basename "$image") imports $dll.dll, which is neither shipped nor part of Windows or Npcap" >&2
               failed=1 ;;
        esac
    done
done

# The functions taken from wpcap.dll: the lines under its "DLL Name" up to the next one.
exe=$(ls "$dir"/*.exe | head -n1)
imported=$($objdump -p "$exe" | awk '
    /DLL Name:/ { in_wpcap = (tolower($3) == "wpcap.dll"); next }
    /^[ \t]*$/ { in_wpcap = 0 }
    in_wpcap && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }')
[ -n "$imported" ] || { echo "check_imports: $(basename "$exe") imports nothing from wpcap.dll" >&2; failed=1; }
exported=$(sed -n '/^EXPORTS/,$p' "$def" | sed '1d; s/;.*//' | awk 'NF {print $1}')
for fn in $imported; do
    grep -qx "$fn" <<<"$exported" || {
        echo "check_imports: $(basename "$exe") imports $fn from wpcap.dll, which is not in $(basename "$def")" >&2
        failed=1
    }
done
if [ $failed -ne 0 ]; then exit 1; fi
echo "check_imports: $(basename "$exe") and its DLLs import only shipped, system and Npcap DLLs ($(echo $imported | wc -w) functions of wpcap.dll)"
