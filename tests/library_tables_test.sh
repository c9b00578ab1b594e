#!/bin/sh
# A plug-in library as Windows, the file manager and its installer see it: the name it gives
# itself, the functions it exports and no other, imports from Windows itself only (the C++
# runtime is linked in), and the project's version in both forms of its version resource.
# Usage: library_tables_test.sh OBJDUMP WINDRES LIBRARY VERSION NAME "EXPORT ..."
set -u
tables=$("$1" -p "$3") || exit 1
resources=$("$2" -i "$3" -O rc) || exit 1
failures=0
expect() {
    if [ "$2" != "$3" ]; then
        echo "FAILED: $1"; echo "  expected: $3"; echo "  actual:   $2"
        failures=$((failures + 1))
    fi
}
expect "library name" "$(printf '%s\n' "$tables" | sed -n 's/^Name[[:space:]]*[0-9a-f]* //p')" "$5"
expect "exports" "$(printf '%s\n' "$tables" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]][[:space:]]*\[ *[0-9][0-9]*\] //p' | tr '\n' ' ')" \
    "$6 "
imports=$(printf '%s\n' "$tables" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || expect "imports" "" "some"
for library in $imports; do
    case $library in
        advapi32.dll | bcrypt.dll | gdi32.dll | kernel32.dll | msvcrt.dll | ole32.dll | shell32.dll | \
            shlwapi.dll | user32.dll | winhttp.dll | ws2_32.dll) ;;
        *) expect "import from Windows only" "$library" "a Windows library" ;;
    esac
done
commas=$(echo "$4" | sed 's/\./, /g')
expect "file version" "$(printf '%s\n' "$resources" | sed -n 's/^ *FILEVERSION //p')" "$commas, 0"
expect "version text" "$(printf '%s\n' "$resources" | sed -n 's/^ *VALUE "FileVersion", "\(.*\)"$/\1/p')" "$4"
[ "$failures" -eq 0 ] && echo "library tables: as expected"
[ "$failures" -eq 0 ]
