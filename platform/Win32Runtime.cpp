#include "platform/Win32Runtime.h"

#include <ctype.h>
#include <string.h>
#include <wctype.h>

#include <algorithm>

namespace {

// glibc's own toupper/tolower tables, indexed -128..255: one lookup per byte instead
// of a call, with exactly the results of toupper/tolower under the current locale.
template <const int32_t** (*TableOf)()>
char* MapBytes(char* text) {
  const int32_t* table = *TableOf();
  for (char* p = text; *p != '\0'; ++p) {
    *p = static_cast<char>(table[static_cast<signed char>(*p)]);
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

char* _strlwr(char* text) { return MapBytes<__ctype_tolower_loc>(text); }

char* _strupr(char* text) { return MapBytes<__ctype_toupper_loc>(text); }

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
