#!/bin/sh
# Makes a small demo installation root for `make run`: global settings, the default terminal
# configuration files, and one registered terminal for the computer named DEMO.
set -eu
root="$1"
[ -f "$root/KelTerm.ini" ] && exit 0
mkdir -p "$root/TERM/1" "$root/tmp"
crlf() { printf '%s\r\n' "$@"; }
crlf "[Usuari]" "Idioma=CAT" "DatCaracter=/" "DatOrdre=DMA" "DecCaracter=," "MilCaracter=." \
  > "$root/Nuro.ini"
crlf "[Terminals]" "Term1=DEMO" "" "[DEMO]" "Mac=" "Path=TERM\\1\\" > "$root/KelTerm.ini"
printf '15000700000700070007' > "$root/SCRN.CFG"
printf 'P' > "$root/PRINTER.CFG"
cp "$root/SCRN.CFG" "$root/PRINTER.CFG" "$root/TERM/1/"
echo "Demo installation root made in $root"
