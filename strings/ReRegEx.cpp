#include "strings/ReRegEx.h"

ReRegEx::ReRegEx() = default;

ReRegEx::~ReRegEx() = default;

int32_t ReRegEx::Parse(String const& pattern) {
  return pattern.empty() ? static_cast<int32_t>(E_GENERAL_FAILURE) : 0;
}

int32_t ReRegEx::Match(String const& /*text*/, bool& matched) {
  matched = false;
  return 0;
}
