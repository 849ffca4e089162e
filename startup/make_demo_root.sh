#!/bin/sh
# Makes a small demo installation root for `make run`: global settings, the default terminal
# configuration files, and two registered terminals, OFFICE1 and OFFICE2. The computer that
# `make run` plays, DEMO, is not registered, so its first start shows the registration dialog.
set -eu
root="$1"
[ -f "$root/KelTerm.ini" ] && exit 0
mkdir -p "$root/TERM/1" "$root/TERM/2" "$root/tmp"
crlf() { printf '%s\r\n' "$@"; }
crlf "[Usuari]" "Idioma=CAT" "DatCaracter=/" "DatOrdre=DMA" "DecCaracter=," "MilCaracter=." \
  > "$root/Nuro.ini"
crlf "[Terminals]" "Term1=OFFICE1" "Term2=OFFICE2" "" \
  "[OFFICE1]" "Mac=0A0000000001" "Path=TERM\\1\\" "" \
  "[OFFICE2]" "Mac=0A0000000002" "Path=TERM\\2\\" > "$root/KelTerm.ini"
printf '15000700000700070007' > "$root/SCRN.CFG"
printf 'P' > "$root/PRINTER.CFG"
cp "$root/SCRN.CFG" "$root/PRINTER.CFG" "$root/TERM/1/"
cp "$root/SCRN.CFG" "$root/PRINTER.CFG" "$root/TERM/2/"
crlf "[Sistema]" "Idioma=SPA" > "$root/TERM/2/NuroTerm.ini"
echo "Demo installation root made in $root (registered: OFFICE1, OFFICE2; this PC: DEMO)"
