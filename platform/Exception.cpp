#include "platform/Exception.h"

Exception::Exception(long lCode, String const& strMessage)
    : m_lCode(lCode), m_strMessage(strMessage) {}

Exception::Exception(Exception const& other)
    : std::exception(other), m_lCode(other.m_lCode), m_strMessage(other.m_strMessage) {}

// Out of line so that the vtable and type information live in the library.
Exception::~Exception() noexcept = default;
