#ifndef ZBUTIL_TESTS_SCOPEDLOCALE_H_
#define ZBUTIL_TESTS_SCOPEDLOCALE_H_

#include <locale.h>

#include <string>

// Sets the process's LC_ALL for the lifetime of the object and restores the
// previous setting. ok() tells whether the locale exists on this machine.
class ScopedLocale {
 public:
  explicit ScopedLocale(char const* name) : m_strOld(setlocale(LC_ALL, nullptr)) {
    m_bOk = setlocale(LC_ALL, name) != nullptr;
  }
  ~ScopedLocale() { setlocale(LC_ALL, m_strOld.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  bool ok() const { return m_bOk; }

 private:
  std::string m_strOld;
  bool m_bOk = false;
};

#endif  // ZBUTIL_TESTS_SCOPEDLOCALE_H_
