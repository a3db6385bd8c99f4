#include "platform/Exception.h"

#include "platform/LayoutCheck.h"

ZBUTIL_CHECK_SIZE(Exception, 32, 48);
ZBUTIL_CHECK_OFFSET(Exception, m_lCode, 4, 8)
ZBUTIL_CHECK_OFFSET(Exception, m_strMessage, 8, 16)

Exception::Exception(long lCode, String const& strMessage)
    : m_lCode(lCode), m_strMessage(strMessage) {}

Exception::Exception(Exception const& other)
    : std::exception(other), m_lCode(other.m_lCode), m_strMessage(other.m_strMessage) {}

// Out of line so that the vtable and type information live in the library.
Exception::~Exception() noexcept = default;
