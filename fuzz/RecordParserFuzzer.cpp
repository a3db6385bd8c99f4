// Fuzz target: zblog's record parser and its JSON on arbitrary bytes, fed in pieces of
// a size the input chooses, with a piece limit it chooses. Every record and every run
// of unparsed bytes must be the input's own bytes at increasing offsets, every piece
// within the limit, every record a line of valid JSON, and the output the same however
// the input is cut.

#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>

#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "record/RecordJson.h"
#include "record/RecordParser.h"

namespace {

// A JSON value as AppendRecordJson writes them: a string or an integer.
bool Value(std::string_view json, size_t& at);

bool String(std::string_view json, size_t& at) {
  if (at >= json.size() || json[at++] != '"') return false;
  while (at < json.size() && json[at] != '"') {
    const unsigned char c = static_cast<unsigned char>(json[at++]);
    if (c < 0x20) return false;
    if (c == '\\') {
      if (at >= json.size()) return false;
      const char escaped = json[at++];
      if (escaped == 'u') {
        for (int i = 0; i < 4; ++i, ++at) {
          if (at >= json.size() || !isxdigit(static_cast<unsigned char>(json[at]))) return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
        return false;
      }
    }
  }
  return at++ < json.size();
}

bool Value(std::string_view json, size_t& at) {
  if (at < json.size() && json[at] == '"') return String(json, at);
  const size_t start = at;
  if (at < json.size() && json[at] == '-') ++at;
  while (at < json.size() && json[at] >= '0' && json[at] <= '9') ++at;
  return at > start && json[at - 1] != '-';
}

// One object of string keys and values, then a line feed, and nothing else.
bool IsJsonLine(std::string_view json) {
  size_t at = 0;
  if (json.empty() || json[at++] != '{') return false;
  do {
    if (!String(json, at) || at >= json.size() || json[at++] != ':' || !Value(json, at)) {
      return false;
    }
  } while (at < json.size() && json[at] == ',' && ++at);
  return json.substr(at) == "}\n";
}

// Valid UTF-8: the JSON replaces every byte that is not.
bool IsUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size()) return false;
    for (size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

// Parses `input` fed `step` bytes at a time; returns the JSON of its records.
std::string Parse(std::string const& input, size_t step, size_t limit) {
  std::string json, object;
  uint64_t nextRecord = 0, nextUnparsed = 0;
  zblog::RecordParser parser(
      [&](zblog::LogRecord const& record) {
        FUZZ_CHECK(record.m_strBytes.size() <= limit);
        if (record.m_uPiece == 0) {
          FUZZ_CHECK(record.m_uOffset >= nextRecord && record.m_uOffset < input.size());
          FUZZ_CHECK(input.compare(record.m_uOffset, record.m_strBytes.size(), record.m_strBytes) ==
                     0);
          nextRecord = record.m_uOffset + record.m_strBytes.size();
        }
        zblog::AppendRecordJson(record, object);
        if (!record.m_bContinues) {
          FUZZ_CHECK(IsJsonLine(object) && IsUtf8(object));
          json += object;
          object.clear();
        }
      },
      [](uint64_t, std::string const&) {},
      [&](uint64_t offset, std::string_view bytes) {
        FUZZ_CHECK(offset >= nextUnparsed && bytes.size() <= limit);
        FUZZ_CHECK(input.compare(offset, bytes.size(), bytes) == 0);
        nextUnparsed = offset + bytes.size();
      },
      limit);
  for (size_t at = 0; at < input.size(); at += step) {
    parser.Feed(input.data() + at, std::min(step, input.size() - at));
  }
  parser.Finish();
  FUZZ_CHECK(object.empty());
  return json;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  const size_t step = provider.ConsumeIntegralInRange<size_t>(1, 300);
  const size_t limit = provider.ConsumeIntegralInRange<size_t>(256, 1024);
  const std::string input = provider.ConsumeRemainingBytesAsString();
  FUZZ_CHECK(Parse(input, step, limit) == Parse(input, input.size() + 1, limit));
  return 0;
}
