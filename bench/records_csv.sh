#!/bin/sh
# The CSV of the record-file benchmarks: COUNT records of a file of 200-byte records with two
# keys (kelrec create FILE 200 1:4b 5:30ad): a number 1..COUNT, unique; a name of three words,
# one of 50,000, so names repeat; the rest of the record as text.
# Usage: bench/records_csv.sh COUNT > FILE
awk -v n="${1:?usage: records_csv.sh COUNT}" 'BEGIN {
  srand(7);
  split("MARTI GARCIA PUIG FERRER SOLER VIDAL ROCA SERRA PONS CASALS", w, " ");
  for (i = 1; i <= n; i++) {
    r = int(rand() * 50000);
    printf "%d,%s %s %05d,ITEM %d LOREM IPSUM DOLOR SIT AMET CONSECTETUR ADIPISCING ELIT SED DO EIUSMOD TEMPOR INCIDIDUNT UT LABORE ET DOLORE MAGNA ALIQUA UT ENIM AD MINIM VENIAM QUIS\n",
      i, w[r % 10 + 1], w[int(r / 10) % 10 + 1], r, i;
  }
}'
