#include "platform/Win32Runtime.h"

#include <ctype.h>
#include <string.h>
#include <wctype.h>

#include <algorithm>

namespace {

// Each byte goes to Map as the signed char it holds, as the Windows runtime passes it;
// glibc's classification accepts -128..255. With optimisation glibc's <ctype.h> makes
// toupper and tolower a lookup in the current locale's table, so this is one load
// per byte, not a call.
template <int (*Map)(int)>
char* MapBytes(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    *p = static_cast<char>(Map(static_cast<signed char>(*p)));
  }
  return text;
}

template <wint_t (*Map)(wint_t)>
wchar_t* MapWide(wchar_t* text) {
  for (wchar_t* p = text; *p != L'\0'; ++p) {
    *p = static_cast<wchar_t>(Map(static_cast<wint_t>(*p)));
  }
  return text;
}

}  // namespace

extern "C" {

int32_t InterlockedIncrement(int32_t* value) {
  return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

int32_t InterlockedDecrement(int32_t* value) {
  return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

char* _strlwr(char* text) { return MapBytes<tolower>(text); }

char* _strupr(char* text) { return MapBytes<toupper>(text); }

char* _strrev(char* text) {
  std::reverse(text, text + strlen(text));
  return text;
}

wchar_t* _wcslwr(wchar_t* text) { return MapWide<towlower>(text); }

wchar_t* _wcsupr(wchar_t* text) { return MapWide<towupper>(text); }

wchar_t* _wcsrev(wchar_t* text) {
  std::reverse(text, text + wcslen(text));
  return text;
}

}  // extern "C"
