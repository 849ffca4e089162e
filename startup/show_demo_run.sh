#!/bin/sh
# Says in a few lines what a `make run` start did to the demo installation root: the
# terminal directory, the registry entry, the session file's keys and the working settings.
# Usage: show_demo_run.sh KELINI ROOT COMPUTER
set -eu
kelini="$1" root="$2" computer="$3"
get() { "$kelini" "$1" "$2" "$3" 2>/dev/null || true; }
# printf, not echo: the values hold backslashes ("TERM\3\").
say() { printf '%s\n' "$*"; }
n=1
while name=$(get "$root/KelTerm.ini" Terminals "Term$n") && [ -n "$name" ]; do
  [ "$name" = "$computer" ] && break
  n=$((n + 1))
done
say "Registry KelTerm.ini:  Term$n=$(get "$root/KelTerm.ini" Terminals "Term$n")," \
  "[$computer] Mac=$(get "$root/KelTerm.ini" "$computer" Mac) Path=$(get "$root/KelTerm.ini" "$computer" Path)"
say "Terminal directory:    $(get "$root/tmp/Sessio.ini" Terminal Dir)"
say "Session file [Terminal]: Nom=$(get "$root/tmp/Sessio.ini" Terminal Nom)" \
  "Mac=$(get "$root/tmp/Sessio.ini" Terminal Mac) Dir=$(get "$root/tmp/Sessio.ini" Terminal Dir)"
say "Working settings tmp/NuroTerm.ini: Idioma=$(get "$root/tmp/NuroTerm.ini" Sistema Idioma)" \
  "Data=$(get "$root/tmp/NuroTerm.ini" Sistema Data) Col=$(get "$root/tmp/NuroTerm.ini" Pantalla Col)"
