#!/bin/sh
# Fails when an instruction-set object file defines a weak symbol (an inline
# or template routine kept out of line): the linker keeps one copy of each for
# the whole program, and it may be the one built for the wider instruction set.
status=0
for object in "$@"; do
  weak=$(nm --defined-only "$object" | awk '$2 ~ /^[WVu]$/ {print $3}')
  if [ -n "$weak" ]; then
    echo "$object defines shared routines:"
    echo "$weak" | c++filt | sed 's/^/  /'
    status=1
  fi
done
exit $status
