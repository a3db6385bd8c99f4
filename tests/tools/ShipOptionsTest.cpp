#include <gtest/gtest.h>

#include "ZblogOptions.h"

namespace zblog_test {
namespace {

std::string Parse(std::vector<std::string> tail, zblog::Options& options) {
  std::vector<std::string> arguments{"ship", "--target", "logs.example.net", "--state", "s"};
  arguments.insert(arguments.end(), tail.begin(), tail.end());
  return zblog::ParseArguments(arguments, options);
}

// Plain RELP is never what ship falls into: without all three TLS files it refuses to
// start, and the insecure option does not mix with them.
TEST(ShipOptions, TlsUnlessPlainIsAskedForByName) {
  zblog::Options options;
  EXPECT_NE(Parse({"a.log"}, options).find("--tls-ca, --tls-cert and --tls-key"),
            std::string::npos);
  EXPECT_NE(Parse({"--tls-ca", "ca.pem", "--tls-cert", "c.pem", "a.log"}, options), "");
  EXPECT_NE(Parse({"--insecure-no-tls", "--tls-peer", "x", "a.log"}, options), "");
  zblog::Options plain;  // options accumulate: a fresh set
  ASSERT_EQ(Parse({"--insecure-no-tls", "a.log"}, plain), "");
  EXPECT_FALSE(plain.m_Ship.m_Tls.m_bEnabled);
}

}  // namespace
}  // namespace zblog_test
