#ifndef ZBUTIL_TESTS_INTERFACE_DECLAREDINTERFACE_H_
#define ZBUTIL_TESTS_INTERFACE_DECLAREDINTERFACE_H_

// The library's classes as a program built for the published interface declares them:
// bases, virtual operations in slot order, data members in order with their types, and
// the operations the program calls. Written from the interface's tables, not from the
// library's headers, which this test never includes: if the library's objects drifted
// from it, the program below would crash or fail to link.

#include <stdint.h>
#include <sys/types.h>

#include <exception>
#include <string>
#include <vector>

class String : public std::string {
 public:
  String();
  String(String const& s);
  String(std::string const& s);
  String(std::string const& s, unsigned long pos, unsigned long n);
  String(unsigned long n, char ch);
  String(char const* p, unsigned long n);
  String(unsigned int n, char const* p);
  String(long v);
  String(char const* p);
  String(wchar_t const* w);
  String& operator=(String const& s);
  String& operator=(std::string const& s);
  String& operator=(char const* p);
  String& operator=(wchar_t const* w);
  String& operator=(std::wstring const& w);

  std::string GetAnsiString() const;
  std::string GetAnsiStringEx() const;
  std::wstring GetUnicodeString() const;
  int Replace(String const& pattern, String const& replacement);

  int compare_case(String const& s) const;
  int compare_icase(String const& s) const;
  int compare_icase(String const& s, long n) const;
  int Compare(String const& s, bool ignoreCase) const;
  int Compare(String const& s, long n, bool ignoreCase) const;
  int getInt() const;
  long getLong() const;
  double getDoubleFloat() const;
  long FormatMessageEx(char const* format, ...);

  size_type find_icase(String const& needle) const;
  size_type find_icase(String const& needle, long start) const;
  bool IsSubString(String const& part) const;
  bool MatchesRegularExpression(String const& pattern) const;

  String leftTrim(char c) const;
  String rightTrim(char c) const;
  String Trim(char c) const;
  String TrimWhiteSpaces(String const& set) const;
  String Lowercase(String const& unused) const;
  String Uppercase(String const& unused) const;
  String reverseString() const;
  String GetStringWithoutEscapeChars() const;

  std::vector<String> StringSplit(String delimiters, bool keepEmpty) const;
};

class AnsiString : public std::string {
 public:
  AnsiString(long v);
  AnsiString(char const* p);
  AnsiString& operator=(char const* p);

  int compare_icase(AnsiString const& s) const;
  int compare_icase(AnsiString const& s, long n) const;
  int getInt() const;
  long getLong() const;
  double getDoubleFloat() const;
  size_type find_icase(AnsiString const& needle) const;
  size_type find_icase(AnsiString const& needle, long start) const;
  AnsiString leftTrim(char c) const;
  AnsiString rightTrim(char c) const;
  AnsiString Trim(char c) const;
  AnsiString reverseString() const;
  AnsiString GetStringWithoutEscapeChars() const;
};

class ReRegEx {
 public:
  ReRegEx();
  ~ReRegEx();
  int32_t Parse(String const& pattern);
  int32_t Match(String const& text, bool& matched);
};

class ReParser {
 public:
  static char const* sm_pszSemicolon;
  static char const* sm_pszComma;

  ReParser(String const& text, String const& delimiter, char escape);
  virtual ~ReParser();
  void InitializeTokensInVector();
  unsigned long GetTokenCount() const;
  String operator[](unsigned long index) const;
  String GetToken();
  bool MoreTokens() const;
  bool MoreDelimiterExists() const;
  String GetRemaining();

  String m_strText;
  String m_strDelimiter;
  char m_cEscape;
  uint32_t m_ulPos;
  std::vector<String> m_vecTokens;
};

enum zbLogLevel {
  zbLogCriticalFailure = 0,
  zbLogError = 1,
  zbLogException = 2,
  zbLogWarning = 4,
  zbLogInformation = 8,
  zbLogTrace = 16,
  zbLogPerfTiming = 32,
  zbLogAudit = 64,
};

struct zbLogSettings {
  String m_strLogDirectory;
  int32_t m_iLogLevel;
  uint32_t m_ulMaxLogFileSize;
  uint32_t m_ulMaxBackupFiles;
};

class zbILogger {
 public:
  virtual ~zbILogger();
  virtual void Log(zbLogLevel level, char const* file, unsigned long line, char const* format,
                   ...) = 0;
  static char const* GetLogLevelDisplayName(zbLogLevel level);
};

class zbUnixLogger : public zbILogger {
 public:
  zbUnixLogger(String const& logFileName);
  zbUnixLogger(String const& logFileName, String const& lockFileName);
  ~zbUnixLogger() override;
  void Log(zbLogLevel level, char const* file, unsigned long line, char const* format,
           ...) override;
  virtual int LoadLogSettings(zbLogSettings& settings, String& baseDirectory);
  virtual gid_t GetGroupID();

  static void SetLogLevel(int const& level);
  void LogToSyslogFile(int priority, String const& text);
  void LogToSyslogFile(int priority, String const& text, String const& more);
  int GetLogFileDirectory(String& directory);
  int OpenLogFile();
  int RotateLogBackup();
  void GetNextBackupLogFileSequence(String& path, bool& allPresent, int& number);
  void BuildBackupLogFilePath(int const& number, String& path);
  int MemCopyFile(String const& source, String const& destination) const;
  int MoveFileContent(String const& source, String const& destination);

  static int m_siLogLevel;
  static unsigned long sm_ulMsgNo;

 protected:
  zbLogSettings m_LogSettings;
  int m_iLogFd;
  int m_iLockFd;
  gid_t m_gidGroupID;
  bool m_bLogFileOpen;
  bool m_bInitialised;
  String m_strLogFilePath;
  String m_strLockFileName;
  String m_strLogFileName;
  String m_strBaseDirectory;
};

class Exception : public std::exception {
 public:
  Exception(long code, String const& message);
  Exception(Exception const& other);
  ~Exception() noexcept override;

  long m_lCode;
  String m_strMessage;
};

class ZbUnixPerformanceTimer {
 public:
  ZbUnixPerformanceTimer();
  virtual ~ZbUnixPerformanceTimer();
  virtual unsigned long GetDifferenceInMilliSecs();
  virtual bool IsTimedOut(unsigned long timeoutMs);
  virtual unsigned long GetTickCount();
  virtual void StartTimer();
  virtual unsigned long EndTimer();
  void Init();

 protected:
  uint32_t m_ulStartTick;
  uint32_t m_ulEndTick;
};

extern "C" {
int32_t InterlockedIncrement(int32_t* value);
int32_t InterlockedDecrement(int32_t* value);
char* _strlwr(char* text);
char* _strupr(char* text);
char* _strrev(char* text);
wchar_t* _wcslwr(wchar_t* text);
wchar_t* _wcsupr(wchar_t* text);
wchar_t* _wcsrev(wchar_t* text);
}

#endif  // ZBUTIL_TESTS_INTERFACE_DECLAREDINTERFACE_H_
