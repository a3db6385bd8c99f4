#include "tokenizer/ReParser.h"

#include <string.h>

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/LayoutCheck.h"

namespace {

constexpr size_t kNotFound = std::string_view::npos;
constexpr uint64_t kMaxTextBytes = UINT32_MAX;

// How a reading treats a NUL byte in the text.
enum class NulByte { kOrdinary, kEndsText };

// The first NUL byte in text[from, to), or kNotFound.
size_t FindNul(std::string_view text, size_t from, size_t to) {
  void const* nul = memchr(text.data() + from, '\0', to - from);
  return nul == nullptr ? kNotFound
                        : static_cast<size_t>(static_cast<char const*>(nul) - text.data());
}

// The first occurrence of delimiter (not empty) at or after pos, or kNotFound. With
// NulByte::kEndsText an occurrence counts only when no NUL byte comes before its end.
// Scans no further than the occurrence, so a reading stays linear overall.
size_t FindDelimiter(std::string_view text, size_t pos, std::string_view delimiter, NulByte nul) {
  const size_t hit = text.find(delimiter, pos);
  if (nul == NulByte::kEndsText) {
    const size_t end = hit == kNotFound ? text.size() : hit + delimiter.size();
    if (FindNul(text, pos, end) != kNotFound) return kNotFound;
  }
  return hit;
}

// The one token rule both readings share. Appends to token the token of text that
// starts at pos, escapes resolved, and returns where the next token starts (right
// after the delimiter that ended this one), or kNotFound when the token ran to the
// end of the text (with NulByte::kEndsText, to its first NUL byte).
size_t ReadToken(std::string_view text, size_t pos, std::string_view delimiter, char escape,
                 NulByte nul, String& token) {
  for (;;) {
    const size_t hit = delimiter.empty() ? kNotFound : FindDelimiter(text, pos, delimiter, nul);
    if (hit == kNotFound) {
      const size_t end = nul == NulByte::kEndsText ? FindNul(text, pos, text.size()) : kNotFound;
      token.append(text.substr(pos, end == kNotFound ? kNotFound : end - pos));
      return kNotFound;
    }
    // An occurrence where the token (or its escaped continuation) starts is never
    // escaped: the byte before it belongs to the previous delimiter or token.
    const bool escaped = hit > pos && text[hit - 1] == escape;
    token.append(text.substr(pos, (escaped ? hit - 1 : hit) - pos));
    if (!escaped) return hit + delimiter.size();
    token.append(delimiter);
    pos = hit + delimiter.size();
  }
}

// The text itself, refused when a 32-bit position could not address all of it.
String const& Addressable(String const& text) {
  if (static_cast<uint64_t>(text.size()) > kMaxTextBytes) {
    throw std::length_error("ReParser: text longer than 4294967295 bytes");
  }
  return text;
}

}  // namespace

namespace {

// The members are protected: checked from a class derived as a caller's would be.
struct ParserLayout : ReParser {
  static void Check() {
    ZBUTIL_CHECK_SIZE(ReParser, 72, 104);
    ZBUTIL_CHECK_OFFSET(ParserLayout, m_strText, 4, 8)
    ZBUTIL_CHECK_OFFSET(ParserLayout, m_strDelimiter, 28, 40)
    ZBUTIL_CHECK_OFFSET(ParserLayout, m_cEscape, 52, 72)
    ZBUTIL_CHECK_OFFSET(ParserLayout, m_ulPos, 56, 76)
    ZBUTIL_CHECK_OFFSET(ParserLayout, m_vecTokens, 60, 80)
  }
};

}  // namespace

char const* ReParser::sm_pszSemicolon = ";";
char const* ReParser::sm_pszComma = ",";

ReParser::ReParser(String const& strText, String const& strDelimiter, char cEscape)
    : m_strText(Addressable(strText)),
      m_strDelimiter(strDelimiter),
      m_cEscape(cEscape),
      m_ulPos(0) {
  InitializeTokensInVector();
}

ReParser::~ReParser() = default;

void ReParser::InitializeTokensInVector() {
  if (m_strText.empty()) return;
  const std::string_view text(m_strText);
  size_t pos = m_ulPos;
  // Room for all tokens at once when the delimiter is one byte, the common case: a
  // list grown one doubling at a time moves every token again, and for lists of some
  // thousand tokens the allocator returns the memory to the system and faults it back
  // in on every parse. Escaped occurrences make this an upper bound.
  if (m_strDelimiter.size() == 1) {
    const auto occurrences = std::count(text.begin() + pos, text.end(), m_strDelimiter[0]);
    m_vecTokens.reserve(m_vecTokens.size() + static_cast<size_t>(occurrences) + 1);
  }
  for (;;) {
    String token;
    pos = ReadToken(text, pos, m_strDelimiter, m_cEscape, NulByte::kOrdinary, token);
    m_vecTokens.push_back(std::move(token));
    if (pos == kNotFound) return;
  }
}

unsigned long ReParser::GetTokenCount() const { return m_vecTokens.size(); }

String ReParser::operator[](unsigned long ulIndex) const { return m_vecTokens.at(ulIndex); }

String ReParser::GetToken() {
  String token;
  if (m_ulPos >= m_strText.size()) return token;
  const size_t next =
      ReadToken(m_strText, m_ulPos, m_strDelimiter, m_cEscape, NulByte::kEndsText, token);
  // The constructor made sure that every position fits in 32 bits.
  m_ulPos = static_cast<uint32_t>(next == kNotFound ? m_strText.size() : next);
  return token;
}

String ReParser::GetRemaining() {
  String rest;
  if (m_ulPos < m_strText.size()) {
    const std::string_view text(m_strText);
    const size_t nul = FindNul(text, m_ulPos, text.size());
    rest.append(text.substr(m_ulPos, nul == kNotFound ? kNotFound : nul - m_ulPos));
  }
  m_ulPos = static_cast<uint32_t>(m_strText.size());
  return rest;
}

bool ReParser::MoreTokens() const { return m_ulPos < m_strText.size(); }

bool ReParser::MoreDelimiterExists() const {
  if (m_strDelimiter.empty()) return true;
  if (m_ulPos >= m_strText.size()) return false;
  return FindDelimiter(m_strText, m_ulPos, m_strDelimiter, NulByte::kEndsText) != kNotFound;
}
