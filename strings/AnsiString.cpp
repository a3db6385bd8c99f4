#include "strings/AnsiString.h"

#include "strings/DecimalText.h"

AnsiString::AnsiString(long v) : std::string(zbutil_detail::DecimalText(v)) {}

AnsiString::AnsiString(char const* p) {
  if (p != nullptr) assign(p);
}

AnsiString& AnsiString::operator=(char const* p) {
  // A null pointer stands for the empty text.
  assign(p != nullptr ? p : "");
  return *this;
}
