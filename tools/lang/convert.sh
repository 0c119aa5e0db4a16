#!/bin/sh
# convert.sh SOURCE ENCODING TARGET: a UTF-8 language file to its code page, with CRLF lines.
set -e
iconv -f UTF-8 -t "$2" "$1" > "$3.tmp"
sed 's/$/\r/' "$3.tmp" > "$3"
rm -f "$3.tmp"
