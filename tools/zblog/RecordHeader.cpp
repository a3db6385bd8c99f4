// Header recognition: one pass over the bytes, strict about every field, so that a line
// feed inside a message is seldom taken for the start of a record.
#include "RecordHeader.h"

#include <string.h>

#include <array>
#include <string>

#include "logging/zbILogger.h"

namespace zblog {
namespace {

constexpr int kPidWidth = 8;
constexpr int kLineWidth = 5;
constexpr size_t kSourceWidth = 27;
constexpr int kMaxDigits = 16;  // beyond any 32-bit field, below 64-bit overflow
constexpr char kLevelSeparator[] = " - ";

enum class Step { kOk, kNo, kShort };

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (hex && c >= 'A' && c <= 'F') return c - 'A' + 10;  // %X writes upper case only
  return -1;
}

// The display names of all levels ("Unknown:" included, taken from the library
// itself), each followed by the separator that ends a header.
std::array<std::string, 9> const& LevelTexts() {
  static const std::array<std::string, 9> texts = [] {
    const zbLogLevel levels[] = {
        zbLogCriticalFailure, zbLogError,       zbLogException,
        zbLogWarning,         zbLogInformation, zbLogTrace,
        zbLogPerfTiming,      zbLogAudit,       static_cast<zbLogLevel>(3)};
    std::array<std::string, 9> result;
    for (size_t i = 0; i < result.size(); ++i) {
      result[i] = std::string(zbILogger::GetLogLevelDisplayName(levels[i])) + kLevelSeparator;
    }
    return result;
  }();
  return texts;
}

class Reader {
 public:
  Reader(char const* data, size_t size) : m_pBegin(data), m_pAt(data), m_pEnd(data + size) {}

  size_t Position() const { return static_cast<size_t>(m_pAt - m_pBegin); }

  Step Byte(char expected) {
    if (m_pAt == m_pEnd) return Step::kShort;
    if (*m_pAt != expected) return Step::kNo;
    ++m_pAt;
    return Step::kOk;
  }

  // Exactly `count` decimal digits, kept as a view.
  Step Digits(int count, std::string_view& text) {
    char const* start = m_pAt;
    for (int i = 0; i < count; ++i) {
      if (m_pAt == m_pEnd) return Step::kShort;
      if (DigitValue(*m_pAt, false) < 0) return Step::kNo;
      ++m_pAt;
    }
    text = std::string_view(start, static_cast<size_t>(m_pAt - start));
    return Step::kOk;
  }

  // A number printed right-aligned in `width` positions ("%8X", "%5d"): blanks only
  // when it is narrower than the field, wider numbers pushing the field out.
  Step Padded(int width, bool hex, bool signedField, uint64_t& magnitude, bool& negative) {
    int blanks = 0;
    while (m_pAt != m_pEnd && *m_pAt == ' ') {
      if (++blanks >= width) return Step::kNo;
      ++m_pAt;
    }
    negative = false;
    if (signedField && m_pAt != m_pEnd && *m_pAt == '-') {
      negative = true;
      ++m_pAt;
    }
    int digits = 0;
    magnitude = 0;
    for (; m_pAt != m_pEnd; ++m_pAt, ++digits) {
      const int value = DigitValue(*m_pAt, hex);
      if (value < 0) break;
      if (digits == kMaxDigits) return Step::kNo;
      magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(value);
    }
    if (m_pAt == m_pEnd) return Step::kShort;  // more digits may follow
    const int used = blanks + (negative ? 1 : 0) + digits;
    if (digits == 0 || used < width || (used > width && blanks > 0)) return Step::kNo;
    return Step::kOk;
  }

  Step Bytes(size_t count, std::string_view& text) {
    if (static_cast<size_t>(m_pEnd - m_pAt) < count) return Step::kShort;
    text = std::string_view(m_pAt, count);
    m_pAt += count;
    return Step::kOk;
  }

  // One of the display names followed by " - "; `level` gets the name without colon.
  Step Level(std::string_view& level) {
    const size_t left = static_cast<size_t>(m_pEnd - m_pAt);
    bool prefix = false;
    for (std::string const& wanted : LevelTexts()) {
      if (left >= wanted.size() && memcmp(m_pAt, wanted.data(), wanted.size()) == 0) {
        level = std::string_view(m_pAt, wanted.size() - strlen(kLevelSeparator));
        if (!level.empty() && level.back() == ':') level.remove_suffix(1);
        m_pAt += wanted.size();
        return Step::kOk;
      }
      if (left < wanted.size() && memcmp(m_pAt, wanted.data(), left) == 0) prefix = true;
    }
    return prefix ? Step::kShort : Step::kNo;
  }

 private:
  char const* m_pBegin;
  char const* m_pAt;
  char const* m_pEnd;
};

Step MatchFields(Reader& in, LogRecord& record) {
  std::string_view part;
  uint64_t magnitude = 0;
  bool negative = false;
  Step step = in.Byte('\n');
  if (step == Step::kOk) step = in.Padded(kPidWidth, true, false, magnitude, negative);
  record.m_uPid = magnitude;
  char const* date = nullptr;
  if (step == Step::kOk) step = in.Byte('|');
  if (step == Step::kOk) step = in.Digits(4, part);
  if (step == Step::kOk) date = part.data();
  if (step == Step::kOk) step = in.Byte('/');
  if (step == Step::kOk) step = in.Digits(2, part);
  if (step == Step::kOk) step = in.Byte('/');
  if (step == Step::kOk) step = in.Digits(2, part);
  if (step == Step::kOk) record.m_strDate = std::string_view(date, 10);
  if (step == Step::kOk) step = in.Byte('|');
  if (step == Step::kOk) step = in.Digits(2, part);
  if (step == Step::kOk) date = part.data();
  if (step == Step::kOk) step = in.Byte(':');
  if (step == Step::kOk) step = in.Digits(2, part);
  if (step == Step::kOk) step = in.Byte(':');
  if (step == Step::kOk) step = in.Digits(2, part);
  if (step == Step::kOk) record.m_strTime = std::string_view(date, 8);
  if (step == Step::kOk) step = in.Byte('|');
  if (step == Step::kOk) step = in.Bytes(kSourceWidth, part);
  if (step == Step::kOk) {
    // %27.27s pads on the left: a name never starts with the padding's blanks.
    const size_t first = part.find_first_not_of(' ');
    record.m_strSource =
        first == std::string_view::npos ? part.substr(part.size()) : part.substr(first);
    step = in.Byte('|');
  }
  if (step == Step::kOk) step = in.Padded(kLineWidth, false, true, magnitude, negative);
  record.m_iLine = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (step == Step::kOk) step = in.Byte('|');
  if (step == Step::kOk) step = in.Level(record.m_strLevel);
  return step;
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
