#include <gtest/gtest.h>

#include "ZblogOptions.h"

namespace zblog_test {
namespace {

std::string Parse(std::vector<std::string> tail, zblog::Options& options) {
  std::vector<std::string> arguments{"ship", "--target", "logs.example.net", "--state", "s"};
  arguments.insert(arguments.end(), tail.begin(), tail.end());
  return zblog::ParseArguments(arguments, options);
}

// Plain RELP is never what ship falls into: without the TLS files it refuses to start,
// and the insecure option does not mix with them, so a half-done setup is not taken
// for a secured one.
TEST(ShipOptions, TlsUnlessPlainIsAskedForByName) {
  zblog::Options options;
  EXPECT_NE(Parse({"a.log"}, options).find("--tls-ca, --tls-cert and --tls-key"),
            std::string::npos);
  EXPECT_NE(Parse({"--tls-ca", "ca.pem", "--tls-cert", "c.pem", "a.log"}, options), "");
  EXPECT_NE(Parse({"--insecure-no-tls", "--tls-peer", "x", "a.log"}, options).find("excludes"),
            std::string::npos);
  EXPECT_NE(Parse({"--tls-peer=", "a.log"}, options), "");

  zblog::Options secured;
  ASSERT_EQ(Parse({"--tls-ca", "ca.pem", "a.log", "--tls-cert=c.pem", "--tls-key", "k.pem",
                   "--tls-peer", "logs.example.net", "--tls-peer", "logs2.example.net"},
                  secured),
            "");
  EXPECT_TRUE(secured.m_Ship.m_Tls.m_bEnabled);
  EXPECT_EQ(secured.m_Ship.m_Tls.m_strKeyFile, "k.pem");
  EXPECT_EQ(secured.m_Ship.m_Tls.m_vPeerNames.size(), 2u);
  EXPECT_EQ(secured.m_Ship.m_vLogs, std::vector<std::string>{"a.log"});

  zblog::Options plain;
  ASSERT_EQ(Parse({"--insecure-no-tls", "a.log"}, plain), "");
  EXPECT_FALSE(plain.m_Ship.m_Tls.m_bEnabled);
}

}  // namespace
}  // namespace zblog_test
