#include "platform/Exception.h"

#include <gtest/gtest.h>
#include <limits.h>

#include <exception>
#include <memory>
#include <string>

namespace {

using namespace std::string_literals;

TEST(Exception, CaughtAsStdExceptionKeepsCodeAndMessage) {
  try {
    throw Exception(-1, "x");
  } catch (std::exception const& e) {
    auto const* caught = dynamic_cast<Exception const*>(&e);
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(caught->m_lCode, -1);
    EXPECT_EQ(caught->m_strMessage, "x");
    // what() is std::exception's own; the message is read from m_strMessage.
    EXPECT_STREQ(e.what(), std::exception().what());
  }
}

TEST(Exception, CopiesOutliveTheOriginal) {
  auto original = std::make_unique<Exception>(LONG_MIN, String("disk\0full"s));
  const Exception copy(*original);
  Exception assigned(0, "");
  assigned = *original;
  original.reset();
  EXPECT_EQ(copy.m_lCode, LONG_MIN);
  EXPECT_EQ(copy.m_strMessage, "disk\0full"s);
  EXPECT_EQ(assigned.m_lCode, LONG_MIN);
  EXPECT_EQ(assigned.m_strMessage, "disk\0full"s);
}

TEST(Exception, EmptyMessageIsAllowed) {
  try {
    throw Exception(7, "");
  } catch (Exception const& e) {
    EXPECT_EQ(e.m_lCode, 7);
    EXPECT_TRUE(e.m_strMessage.empty());
  }
}

}  // namespace
