// Header recognition: one pass over the bytes, strict about every field, so that a line
// feed inside a message is seldom taken for the start of a record. The layout comes
// from the library's own record format.
#include "record/RecordHeader.h"

#include <string.h>

#include <array>
#include <string>
#include <string_view>

#include "RecordFormat.h"

namespace zblog {
namespace {

namespace layout = zbutil_logfile;

constexpr int kMaxDigits = 16;  // beyond any 32-bit field, below 64-bit overflow

enum class Step { kOk, kNo, kShort };

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;  // %X writes upper case only
  return -1;
}

// The display names of all levels, "Unknown:" included, each followed by the separator
// that ends a header.
std::array<std::string, 9> const& LevelTexts() {
  static const std::array<std::string, 9> texts = [] {
    std::array<std::string, 9> result;
    for (size_t i = 0; i < layout::kLogLevels.size(); ++i) {
      result[i] =
          std::string(layout::kLogLevels[i].m_strDisplay) + std::string(layout::kLevelSeparator);
    }
    result.back() =
        std::string(layout::kUnknownLevelDisplay) + std::string(layout::kLevelSeparator);
    return result;
  }();
  return texts;
}

// Reads a header field by field. The first field that does not fit decides the outcome
// (kNo, or kShort when the input ends inside it); every later call does nothing, so a
// header reads as one chain of calls.
class Reader {
 public:
  Reader(char const* data, size_t size) : m_pBegin(data), m_pAt(data), m_pEnd(data + size) {}

  Step Result() const { return m_step; }
  size_t Position() const { return static_cast<size_t>(m_pAt - m_pBegin); }

  Reader& Byte(char expected) {
    if (m_step != Step::kOk) return *this;
    if (m_pAt == m_pEnd) return Fail(Step::kShort);
    if (*m_pAt != expected) return Fail(Step::kNo);
    ++m_pAt;
    return *this;
  }

  // Exactly `count` decimal digits.
  Reader& Digits(int count) {
    for (int i = 0; i < count && m_step == Step::kOk; ++i, ++m_pAt) {
      if (m_pAt == m_pEnd) return Fail(Step::kShort);
      if (DigitValue(*m_pAt, false) < 0) return Fail(Step::kNo);
    }
    return *this;
  }

  // The text from `start` to here, once the reader has come this far.
  Reader& Since(char const* start, std::string_view& text) {
    if (m_step == Step::kOk) text = std::string_view(start, static_cast<size_t>(m_pAt - start));
    return *this;
  }

  // "YYYY/MM/DD" or "HH:MM:SS": three zero-filled numbers joined by `separator`.
  Reader& Triple(int firstWidth, char separator, std::string_view& text) {
    char const* start = m_pAt;
    Digits(firstWidth).Byte(separator).Digits(layout::kTwoDigitWidth).Byte(separator);
    return Digits(layout::kTwoDigitWidth).Since(start, text);
  }

  // A number printed right-aligned in `width` positions ("%8X", "%5d"): blanks only
  // when it is narrower than the field, wider numbers pushing the field out. A minus
  // sign is taken only when `negative` is given.
  Reader& Padded(int width, bool hex, uint64_t& magnitude, bool* negative) {
    if (m_step != Step::kOk) return *this;
    int blanks = 0;
    while (m_pAt != m_pEnd && *m_pAt == ' ') {
      if (++blanks >= width) return Fail(Step::kNo);
      ++m_pAt;
    }
    const bool minus = negative != nullptr && m_pAt != m_pEnd && *m_pAt == '-';
    if (minus) ++m_pAt;
    if (negative != nullptr) *negative = minus;
    int digits = 0;
    magnitude = 0;
    for (; m_pAt != m_pEnd; ++m_pAt, ++digits) {
      const int value = DigitValue(*m_pAt, hex);
      if (value < 0) break;
      if (digits == kMaxDigits) return Fail(Step::kNo);
      magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(value);
    }
    if (m_pAt == m_pEnd) return Fail(Step::kShort);  // more digits may follow
    const int used = blanks + (minus ? 1 : 0) + digits;
    if (digits == 0 || used < width || (used > width && blanks > 0)) return Fail(Step::kNo);
    return *this;
  }

  // The source field: its bytes without the blanks that pad it on the left (%27.27s
  // pads on the left: a name never starts with the padding's blanks).
  Reader& Source(std::string_view& source) {
    if (m_step != Step::kOk) return *this;
    if (static_cast<size_t>(m_pEnd - m_pAt) < layout::kSourceWidth) return Fail(Step::kShort);
    const std::string_view field(m_pAt, layout::kSourceWidth);
    const size_t first = field.find_first_not_of(' ');
    source = first == std::string_view::npos ? field.substr(field.size()) : field.substr(first);
    m_pAt += layout::kSourceWidth;
    return *this;
  }

  // One of the display names followed by " - "; `level` gets the name without colon.
  Reader& Level(std::string_view& level) {
    if (m_step != Step::kOk) return *this;
    const size_t left = static_cast<size_t>(m_pEnd - m_pAt);
    bool prefix = false;
    for (std::string const& wanted : LevelTexts()) {
      if (left >= wanted.size() && memcmp(m_pAt, wanted.data(), wanted.size()) == 0) {
        level = std::string_view(m_pAt, wanted.size() - layout::kLevelSeparator.size() - 1);
        m_pAt += wanted.size();
        return *this;
      }
      if (left < wanted.size() && memcmp(m_pAt, wanted.data(), left) == 0) prefix = true;
    }
    return Fail(prefix ? Step::kShort : Step::kNo);
  }

 private:
  Reader& Fail(Step step) {
    m_step = step;
    return *this;
  }

  char const* m_pBegin;
  char const* m_pAt;
  char const* m_pEnd;
  Step m_step = Step::kOk;
};

Step MatchFields(Reader& in, LogRecord& record) {
  uint64_t line = 0;
  bool negative = false;
  in.Byte(layout::kRecordStart).Padded(layout::kPidWidth, true, record.m_uPid, nullptr);
  in.Byte(layout::kFieldSeparator)
      .Triple(layout::kYearWidth, layout::kDateSeparator, record.m_strDate);
  in.Byte(layout::kFieldSeparator)
      .Triple(layout::kTwoDigitWidth, layout::kTimeSeparator, record.m_strTime);
  in.Byte(layout::kFieldSeparator).Source(record.m_strSource);
  in.Byte(layout::kFieldSeparator).Padded(layout::kLineWidth, false, line, &negative);
  in.Byte(layout::kFieldSeparator).Level(record.m_strLevel);
  record.m_iLine = negative ? -static_cast<int64_t>(line) : static_cast<int64_t>(line);
  return in.Result();
}

}  // namespace

HeaderMatch MatchHeader(char const* data, size_t size, LogRecord& record, size_t& length) {
  Reader in(data, size);
  switch (MatchFields(in, record)) {
    case Step::kOk:
      length = in.Position();
      return HeaderMatch::kComplete;
    case Step::kShort:
      return HeaderMatch::kCutShort;
    case Step::kNo:
      break;
  }
  return HeaderMatch::kNone;
}

}  // namespace zblog
