// Fuzz target: zblog's record parser and its JSON on arbitrary bytes, fed in pieces of
// a size the input chooses, with a piece limit it chooses. Every record and every run
// of unparsed bytes must be the input's own bytes at increasing offsets, every piece
// within the limit, every record a line of valid JSON, and the output the same however
// the input is cut and whatever the limit.

#include <fuzzer/FuzzedDataProvider.h>
#include <stdint.h>

#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "JsonCheck.h"
#include "record/RecordJson.h"
#include "record/RecordParser.h"

namespace {

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
          FUZZ_CHECK(fuzz::IsJsonLine(object) && fuzz::IsUtf8(object));
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
  // The same JSON however the input is cut and whatever the piece limit.
  FUZZ_CHECK(Parse(input, step, limit) == Parse(input, input.size() + 1, size_t{1} << 20));
  return 0;
}
