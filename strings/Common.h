#ifndef ZBUTIL_STRINGS_COMMON_H_
#define ZBUTIL_STRINGS_COMMON_H_

// The library's general failure code and its owning pointer.

#include <stdint.h>

// The library's own failure value: the 32-bit pattern 0xF0000005, which is
// -268435451 on every architecture (also where long is 64 bits wide). The wide/narrow
// conversions of String throw it as a long; status-returning operations return it.
constexpr long E_GENERAL_FAILURE = static_cast<int32_t>(0xF0000005u);

// Owns an array allocated with new[] (or nothing, when given a null pointer) and
// deletes it at the end of its scope. Neither copied nor moved.
template <typename T>
class AutoPtr {
 public:
  explicit AutoPtr(T* p) : m_pData(p) {}
  ~AutoPtr() { delete[] m_pData; }

  AutoPtr(const AutoPtr&) = delete;
  AutoPtr& operator=(const AutoPtr&) = delete;

  T* get() const { return m_pData; }
  T& operator*() const { return *m_pData; }
  T* operator->() const { return m_pData; }
  explicit operator bool() const { return m_pData != nullptr; }

 private:
  T* m_pData;
};

#endif  // ZBUTIL_STRINGS_COMMON_H_
