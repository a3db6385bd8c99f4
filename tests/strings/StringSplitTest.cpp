#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "strings/String.h"

namespace {

using namespace std::string_literals;
using Fields = std::vector<String>;

Fields Split(std::string const& text, std::string const& delimiters, bool keepEmpty) {
  return String(text).StringSplit(String(delimiters), keepEmpty);
}

TEST(StringSplit, CutsAtEveryDelimiterByte) {
  EXPECT_EQ(Split("a,b,c", ",", true), (Fields{"a", "b", "c"}));
  EXPECT_EQ(Split("a,b,c", ",", false), (Fields{"a", "b", "c"}));
  EXPECT_EQ(Split("a;b,c", ";,", false), (Fields{"a", "b", "c"}));
  EXPECT_EQ(Split("a;b,c", ",;;", false), (Fields{"a", "b", "c"}));
  EXPECT_EQ(Split("abc", "", true), (Fields{"abc"}));
  EXPECT_EQ(Split("  abc  ", "", true), (Fields{"abc"}));
}

TEST(StringSplit, EmptyFieldsAtEdgesAndBetweenDelimiters) {
  EXPECT_EQ(Split(",a,,b,", ",", true), (Fields{"", "a", "", "b", ""}));
  EXPECT_EQ(Split(",a,,b,", ",", false), (Fields{"a", "b"}));
  EXPECT_EQ(Split("a  b", " ", true), (Fields{"a", "", "b"}));
  EXPECT_EQ(Split("a  b", " ", false), (Fields{"a", "b"}));
  EXPECT_EQ(Split(",", ",", true), (Fields{"", ""}));
}

TEST(StringSplit, FieldsAreTrimmedOfWhiteSpaceOnly) {
  EXPECT_EQ(Split(" a b , d ", ",", true), (Fields{"a b", "d"}));
  EXPECT_EQ(Split("a , ,b", ",", false), (Fields{"a", "b"}));
  EXPECT_EQ(Split("a , ,b", ",", true), (Fields{"a", "", "b"}));
  EXPECT_EQ(Split("\r\n x\t\n", ",", true), (Fields{"x"}));
  EXPECT_EQ(Split("\v x \f", ",", true), (Fields{"\v x \f"}));  // not in the set
  // A delimiter that is also white space splits before trimming.
  EXPECT_EQ(Split("\t x \t", "\t", true), (Fields{"", "x", ""}));
  EXPECT_EQ(Split("\t x \t", "\t", false), (Fields{"x"}));
}

TEST(StringSplit, EmptyAndBlankTexts) {
  EXPECT_TRUE(Split("", ",", true).empty());
  EXPECT_EQ(Split(" \t ", ",", true), (Fields{""}));
  EXPECT_TRUE(Split(" \t ", ",", false).empty());
}

TEST(StringSplit, TextEndsAtTheFirstNul) {
  EXPECT_EQ(Split("a,b\0,c"s, ",", true), (Fields{"a", "b"}));
  // Not empty, so one (empty) field.
  EXPECT_EQ(Split("\0a,b"s, ",", true), (Fields{""}));
  EXPECT_TRUE(Split("\0a,b"s, ",", false).empty());
  // A NUL among the delimiters changes nothing.
  EXPECT_EQ(Split("a,b"s, ",\0"s, true), (Fields{"a", "b"}));
}

}  // namespace
