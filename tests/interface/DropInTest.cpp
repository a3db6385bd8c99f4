// A program built for the published interface, not for the library's headers: it
// derives from the logger with members of its own behind the base's, and uses every
// other class through DeclaredInterface.h. Linked against the built library.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "DeclaredInterface.h"

namespace {

constexpr size_t ByArchitecture(size_t onI386, size_t onX86_64) {
  return sizeof(void*) == 8 ? onX86_64 : onI386;
}
// The declarations above give the published sizes: the test's own check of its header.
static_assert(sizeof(zbUnixLogger) == ByArchitecture(152, 200), "logger layout");
static_assert(sizeof(ReParser) == ByArchitecture(72, 104), "tokenizer layout");
static_assert(sizeof(Exception) == ByArchitecture(32, 48), "exception layout");
static_assert(sizeof(ZbUnixPerformanceTimer) == ByArchitecture(12, 16), "timer layout");

std::string ReadFile(std::string const& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A logger as products derive it: settings in the hook, state of its own after the base.
class ProgramLogger : public zbUnixLogger {
 public:
  explicit ProgramLogger(std::string directory)
      : zbUnixLogger(String("prog.log")), m_strDirectory(std::move(directory)) {}
  int LoadLogSettings(zbLogSettings& settings, String& /*baseDirectory*/) override {
    settings.m_strLogDirectory = m_strDirectory.c_str();
    settings.m_ulMaxLogFileSize = 300;
    settings.m_ulMaxBackupFiles = 2;
    ++m_iHookCalls;
    return 0;
  }
  gid_t GetGroupID() override {
    ++m_iHookCalls;
    return getegid();
  }

  int LogFd() const { return m_iLogFd; }
  bool IsOpen() const { return m_bLogFileOpen && m_bInitialised; }
  String const& LogPath() const { return m_strLogFilePath; }
  String const& LockName() const { return m_strLockFileName; }
  uint32_t MaxSize() const { return m_LogSettings.m_ulMaxLogFileSize; }

  // Right behind the base, where a larger library object would keep its own state.
  uint64_t m_ullCanary = 0x0123456789abcdefULL;
  std::string m_strDirectory;
  int m_iHookCalls = 0;
};

TEST(DropIn, DerivedLoggerLogsRotatesAndKeepsItsOwnMembers) {
  char pattern[] = "/tmp/zbutil-dropin-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  int logFd = -1;
  {
    ProgramLogger logger(dir);
    zbILogger& client = logger;
    for (int n = 0; n < 12; ++n) client.Log(zbLogError, "prog.cpp", 42, "record %d", n);
    EXPECT_EQ(logger.m_ullCanary, 0x0123456789abcdefULL);
    EXPECT_EQ(logger.m_strDirectory, dir);
    EXPECT_EQ(logger.m_iHookCalls, 2);
    EXPECT_TRUE(logger.IsOpen());
    EXPECT_EQ(logger.LogPath() + " " + logger.LockName(), dir + "/prog.log prog.lock");
    EXPECT_EQ(logger.MaxSize(), 300u);
    String path;
    bool allPresent = false;
    int number = 0;
    logger.GetNextBackupLogFileSequence(path, allPresent, number);
    EXPECT_TRUE(allPresent && number == 2 && path == dir + "/prog.log_2.Bak") << path;
    logFd = logger.LogFd();
  }
  EXPECT_EQ(fcntl(logFd, F_GETFD), -1);  // closed by the destructor
  // Rotated as the hook said (the order of backups and the header are the logger's
  // own tests'): the newest record in the log.
  EXPECT_NE(ReadFile(dir + "/prog.log").find("prog.cpp|   42|Error: - record 11"),
            std::string::npos);
  std::filesystem::remove_all(dir);
}

// Every declared operation resolves at link time: each constructor is called, and
// the address of every other operation is taken, so the linker must find them all.
// The other classes are used through their declared layouts and virtual slots.
TEST(DropIn, EveryDeclaredOperationIsExportedAndTheOtherClassesWork) {
  const std::string bytes("ab\0cd", 5);
  const String made[] = {String(),       String(String("s")), String(bytes),    String(bytes, 1, 2),
                         String(3, 'x'), String("ab", 2),     String(2u, "ab"), String(7L),
                         String("p"),    String(L"w")};
  EXPECT_EQ(made[2].size(), 5u);
  String assigned;
  assigned = made[1];
  assigned = bytes;
  EXPECT_EQ(assigned, "ab");
  assigned = "  Alpha, beta ,,Gamma ";
  EXPECT_EQ(assigned.find_icase(String("GAMMA")), 16u);
  EXPECT_EQ(assigned.StringSplit(String(","), false).at(1), "beta");
  assigned = L"w";
  assigned = std::wstring(L"v");
  EXPECT_EQ(assigned, "v");
  AnsiString ansi(5L);
  ansi = "  42";
  EXPECT_EQ(ansi.getInt(), 42);
  ReRegEx regex;
  ReParser parser(String("a;b\\;c;d"), String(ReParser::sm_pszSemicolon), '\\');
  EXPECT_EQ(parser.GetToken() + parser[1], "ab;c");
  EXPECT_EQ(parser.m_ulPos, 2u);
  // A clock of the program's own, read through the timer's virtual slots.
  struct WrappingTimer : ZbUnixPerformanceTimer {
    unsigned long GetTickCount() override { return m_ulNext; }
    unsigned long m_ulNext = 4294967290UL;
  } timer;
  timer.Init();
  timer.m_ulNext = 10;
  EXPECT_EQ(timer.GetDifferenceInMilliSecs(),
            static_cast<unsigned long>(16000 / sysconf(_SC_CLK_TCK)));
  Exception original(-1, String("m"));
  try {
    throw Exception(original);
  } catch (std::exception const& caught) {
    Exception const* exception = dynamic_cast<Exception const*>(&caught);
    ASSERT_NE(exception, nullptr);
    EXPECT_TRUE(exception->m_lCode == -1 && exception->m_strMessage == "m");
  }
  char word[] = "abc";
  EXPECT_STREQ(_strrev(_strupr(word)), "CBA");
  int32_t counter = 41;
  EXPECT_EQ(InterlockedIncrement(&counter), 42);
  zbUnixLogger plain(String("never.log"));
  zbUnixLogger named(String("never.log"), String("never.lock"));
  using S = String;
  using A = AnsiString;
  using L = zbUnixLogger;
  const auto operations = std::make_tuple(
      &S::GetAnsiString, &S::GetAnsiStringEx, &S::GetUnicodeString, &S::Replace, &S::compare_case,
      static_cast<int (S::*)(S const&) const>(&S::compare_icase),
      static_cast<int (S::*)(S const&, long) const>(&S::compare_icase),
      static_cast<int (S::*)(S const&, bool) const>(&S::Compare),
      static_cast<int (S::*)(S const&, long, bool) const>(&S::Compare), &S::getInt, &S::getLong,
      &S::getDoubleFloat, &S::FormatMessageEx,
      static_cast<S::size_type (S::*)(S const&) const>(&S::find_icase),
      static_cast<S::size_type (S::*)(S const&, long) const>(&S::find_icase), &S::IsSubString,
      &S::MatchesRegularExpression, &S::leftTrim, &S::rightTrim, &S::Trim, &S::TrimWhiteSpaces,
      &S::Lowercase, &S::Uppercase, &S::reverseString, &S::GetStringWithoutEscapeChars,
      &S::StringSplit, static_cast<int (A::*)(A const&) const>(&A::compare_icase),
      static_cast<int (A::*)(A const&, long) const>(&A::compare_icase), &A::getInt, &A::getLong,
      &A::getDoubleFloat, static_cast<A::size_type (A::*)(A const&) const>(&A::find_icase),
      static_cast<A::size_type (A::*)(A const&, long) const>(&A::find_icase), &A::leftTrim,
      &A::rightTrim, &A::Trim, &A::reverseString, &A::GetStringWithoutEscapeChars, &ReRegEx::Parse,
      &ReRegEx::Match, &ReParser::InitializeTokensInVector, &ReParser::GetTokenCount,
      &ReParser::operator[], &ReParser::GetToken, &ReParser::MoreTokens,
      &ReParser::MoreDelimiterExists, &ReParser::GetRemaining,
      &ZbUnixPerformanceTimer::GetDifferenceInMilliSecs, &ZbUnixPerformanceTimer::IsTimedOut,
      &ZbUnixPerformanceTimer::GetTickCount, &ZbUnixPerformanceTimer::StartTimer,
      &ZbUnixPerformanceTimer::EndTimer, &ZbUnixPerformanceTimer::Init,
      &zbILogger::GetLogLevelDisplayName, &L::Log, &L::LoadLogSettings, &L::GetGroupID,
      &L::SetLogLevel, static_cast<void (L::*)(int, S const&)>(&L::LogToSyslogFile),
      static_cast<void (L::*)(int, S const&, S const&)>(&L::LogToSyslogFile),
      &L::GetLogFileDirectory, &L::OpenLogFile, &L::RotateLogBackup,
      &L::GetNextBackupLogFileSequence, &L::BuildBackupLogFilePath, &L::MemCopyFile,
      &L::MoveFileContent, &L::m_siLogLevel, &L::sm_ulMsgNo, &ReParser::sm_pszSemicolon,
      &ReParser::sm_pszComma, &InterlockedIncrement, &InterlockedDecrement, &_strlwr, &_strupr,
      &_strrev, &_wcslwr, &_wcsupr, &_wcsrev);
  // Kept in memory, so the optimiser cannot drop the references.
  asm volatile("" : : "r"(&operations) : "memory");
  EXPECT_EQ(std::tuple_size<decltype(operations)>::value, 79u);
  EXPECT_STREQ(zbILogger::GetLogLevelDisplayName(static_cast<zbLogLevel>(3)), "Unknown:");
}

}  // namespace
