#!/bin/sh
# Fails when libzbutil exports anything beyond the library's API. That every operation
# of the published interface is there, with its exact signature, the drop-in program
# (tests/interface) proves by linking.
set -eu
lib="$1"
symbols=$(nm -D --defined-only "$lib" | awk '{print $3}')

# The API: our classes (with their vtables and type information), the Win32-named
# functions, and the ELF bookkeeping symbols.
api='^(_Z(N|NK|TV|TI|TS)[0-9]+(String|AnsiString|ReRegEx|ReParser|Exception|zbILogger|zbUnixLogger|ZbUnixPerformanceTimer)|InterlockedIncrement$|InterlockedDecrement$|_str(lwr|upr|rev)$|_wcs(lwr|upr|rev)$|_init$|_fini$|_edata$|_end$|__bss_start$)'
stray=$(printf '%s\n' "$symbols" | grep -v -E "$api" || true)
if [ -n "$stray" ]; then
  echo "exported beyond the API:"
  printf '%s\n' "$stray" | c++filt
  exit 1
fi

echo "exports ok: $(printf '%s\n' "$symbols" | wc -l) symbols"
