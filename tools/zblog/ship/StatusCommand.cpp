// zblog ship --status: the states of a running or stopped ship, printed.
#include "ship/StatusCommand.h"

#include <stdio.h>
#include <time.h>

#include <string>

#include "record/RecordJson.h"
#include "ship/ShipState.h"
#include "ship/ShipStatus.h"

namespace zblog {
namespace {

// "2026-12-06T14:20:01Z": UTC, so that scripts on any machine read it alike.
std::string IsoTime(struct timespec const& when) {
  struct tm utc {};
  gmtime_r(&when.tv_sec, &utc);
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string Json(LogStatus const& status) {
  std::string out = "{\"log\":";
  AppendJsonString(status.m_strLog, out);
  out += ",\"state\":";
  AppendJsonString(status.m_strState, out);
  out += ",\"file\":";
  if (status.m_strFile.empty()) {
    out += "null";
  } else {
    AppendJsonString(status.m_strFile, out);
  }
  out += ",\"offset\":" + std::to_string(status.m_uOffset);
  out += ",\"behind_bytes\":" + std::to_string(status.m_uBehindBytes);
  out += ",\"behind_records\":" + std::to_string(status.m_uBehindRecords);
  const bool acknowledged = status.m_bHasState && status.m_Acknowledged.tv_sec != 0;
  out += ",\"acknowledged\":";
  out += acknowledged ? "\"" + IsoTime(status.m_Acknowledged) + "\"" : "null";
  out += ",\"acknowledged_seconds\":";
  out += acknowledged ? std::to_string(status.m_Acknowledged.tv_sec) : "null";
  out += status.m_bShipping ? ",\"shipping\":true" : ",\"shipping\":false";
  out += ",\"pid\":";
  out += status.m_iShipPid > 0 ? std::to_string(status.m_iShipPid) : "null";
  if (!status.m_strError.empty()) {
    out += ",\"error\":";
    AppendJsonString(status.m_strError, out);
  }
  return out + "}\n";
}

// "<log>: acknowledged to <file> byte N; 12 records (2048 bytes) behind; last
// acknowledgement 2026-12-06T14:20:01Z; shipping (pid 4242)"
std::string Text(LogStatus const& status) {
  std::string out = status.m_strLog + ": ";
  if (!status.m_strError.empty()) return out + status.m_strError + "\n";
  if (!status.m_bHasState) {
    out += "no state yet (starts at the live log's start)";
  } else if (status.m_strFile.empty()) {
    out += "acknowledged content rotated away (counted from the oldest backup)";
  } else {
    out += "acknowledged to " + status.m_strFile + " byte " + std::to_string(status.m_uOffset);
  }
  out += "; " + std::to_string(status.m_uBehindRecords) + " records (" +
         std::to_string(status.m_uBehindBytes) + " bytes) behind";
  if (status.m_bHasState && status.m_Acknowledged.tv_sec != 0) {
    out += "; last acknowledgement " + IsoTime(status.m_Acknowledged);
  }
  if (!status.m_bShipping) return out + "; not shipping\n";
  if (status.m_iShipPid <= 0) return out + "; shipping\n";
  return out + "; shipping (pid " + std::to_string(status.m_iShipPid) + ")\n";
}

}  // namespace

int RunShipStatus(ShipOptions const& options) {
  int result = 0;
  for (std::string const& given : options.m_vLogs) {
    const std::string log = AbsoluteLogPath(given);
    const LogStatus status = ProbeLogStatus(
        log, ShipStatePath(options.m_strStateFile, options.m_strStateDirectory, log));
    if (!status.m_strError.empty()) {
      fprintf(stderr, "zblog: %s: %s\n", log.c_str(), status.m_strError.c_str());
      result = 1;
    }
    const std::string line = options.m_bJson ? Json(status) : Text(status);
    fwrite(line.data(), 1, line.size(), stdout);
  }
  return fflush(stdout) == 0 && result == 0 ? 0 : 1;
}

}  // namespace zblog
