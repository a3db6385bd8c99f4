// JSON output of records: escaping and UTF-8 checking in one pass over each text.
#include "record/RecordJson.h"

#include <stdint.h>
#include <stdio.h>

namespace zblog {
namespace {

constexpr char kReplacement[] = "\\ufffd";

// The length of the well-formed UTF-8 sequence at the start of `text` (2 to 4), or 0.
size_t SequenceLength(std::string_view text) {
  const auto byte = [&text](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(0);
  size_t length = 0;
  uint8_t low = 0x80;  // the range of the second byte, narrowed for some leads
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void AppendEscaped(char c, std::string& out) {
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\t':
      out += "\\t";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    default:
      break;
  }
  char escape[8];
  snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<uint8_t>(c)));
  out += escape;
}

// The JSON string's content for `text`, without quotes.
void AppendJsonText(std::string_view text, std::string& out) {
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<uint8_t>(text[i]);
    if (byte >= 0x80) {
      const size_t length = SequenceLength(text.substr(i));
      if (length == 0) {
        out += kReplacement;
        ++i;
      } else {
        out.append(text.data() + i, length);
        i += length;
      }
    } else if (byte < 0x20 || byte == '"' || byte == '\\') {
      AppendEscaped(text[i++], out);
    } else {
      // Copy the run of plain ASCII bytes at once.
      size_t run = i + 1;
      while (run < text.size()) {
        const auto next = static_cast<uint8_t>(text[run]);
        if (next >= 0x80 || next < 0x20 || next == '"' || next == '\\') break;
        ++run;
      }
      out.append(text.data() + i, run - i);
      i = run;
    }
  }
}

}  // namespace

void AppendJsonString(std::string_view text, std::string& out) {
  out += '"';
  AppendJsonText(text, out);
  out += '"';
}

void AppendRecordJson(LogRecord const& record, std::string& out) {
  if (record.m_uPiece > 0) {
    AppendJsonText(record.m_strMessage, out);
    if (!record.m_bContinues) out += "\"}\n";
    return;
  }
  std::string date(record.m_strDate);  // "YYYY/MM/DD" -> ISO 8601 "YYYY-MM-DD"
  for (char& c : date) {
    if (c == '/') c = '-';
  }
  out += "{\"pid\":";
  out += std::to_string(record.m_uPid);
  out += ",\"date\":\"";
  out += date;
  out += "\",\"time\":\"";
  out.append(record.m_strTime.data(), record.m_strTime.size());
  out += "\",\"source\":";
  AppendJsonString(record.m_strSource, out);
  out += ",\"line\":";
  out += std::to_string(record.m_iLine);
  out += ",\"level\":";
  AppendJsonString(record.m_strLevel, out);
  out += ",\"message\":\"";
  AppendJsonText(record.m_strMessage, out);
  if (!record.m_bContinues) out += "\"}\n";
}

}  // namespace zblog
