#ifndef ZBUTIL_TESTS_STRINGS_LATIN1LOCALE_H_
#define ZBUTIL_TESTS_STRINGS_LATIN1LOCALE_H_

#include <locale.h>
#include <stdlib.h>

#include <string>

// Switches the process to the German ISO-8859-1 locale that the build compiles into
// its own tree (found through LOCPATH), and back at the end of the scope. In it
// toupper(0xE9) is 0xC9 and the decimal point is a comma.
class ScopedLatin1Locale {
 public:
  ScopedLatin1Locale() : m_strOldLocale(setlocale(LC_ALL, nullptr)) {
    char const* oldPath = getenv("LOCPATH");
    m_bHadPath = oldPath != nullptr;
    if (m_bHadPath) m_strOldPath = oldPath;
    setenv("LOCPATH", ZBUTIL_TEST_LOCPATH, 1);
    m_bOk = setlocale(LC_ALL, ZBUTIL_TEST_LATIN1_LOCALE) != nullptr;
  }
  ~ScopedLatin1Locale() {
    if (m_bHadPath) {
      setenv("LOCPATH", m_strOldPath.c_str(), 1);
    } else {
      unsetenv("LOCPATH");
    }
    setlocale(LC_ALL, m_strOldLocale.c_str());
  }
  ScopedLatin1Locale(const ScopedLatin1Locale&) = delete;
  ScopedLatin1Locale& operator=(const ScopedLatin1Locale&) = delete;

  bool ok() const { return m_bOk; }

 private:
  std::string m_strOldLocale;
  std::string m_strOldPath;
  bool m_bHadPath = false;
  bool m_bOk = false;
};

#endif  // ZBUTIL_TESTS_STRINGS_LATIN1LOCALE_H_
