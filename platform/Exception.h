#ifndef ZBUTIL_PLATFORM_EXCEPTION_H_
#define ZBUTIL_PLATFORM_EXCEPTION_H_

// Exception: a code and a message, the exception type that programs built on the
// library share. Throw it by value and catch it by reference (also as
// std::exception const&). The library itself never throws it.
//
// Both members are public and read directly. what() is std::exception's own and does
// not return the message; read m_strMessage for that. Copying copies the message, so
// a copy may throw std::bad_alloc like any String copy.

#include <exception>

#include "platform/Export.h"
#include "strings/String.h"

class ZBUTIL_API Exception : public std::exception {
 public:
  // Stores lCode and a copy of strMessage (which may be empty).
  Exception(long lCode, String const& strMessage);
  // Copies the code and the message; the copy is independent of the original.
  Exception(Exception const& other);
  Exception& operator=(Exception const& other) = default;
  ~Exception() noexcept override;

  // Chosen by the thrower; no value has a fixed meaning in the library.
  long m_lCode;
  String m_strMessage;
};

#endif  // ZBUTIL_PLATFORM_EXCEPTION_H_
