#include "logging/zbILogger.h"

// Defined here so that the vtable and type information live in the library.
zbILogger::~zbILogger() {}

char const* zbILogger::GetLogLevelDisplayName(zbLogLevel level) {
  switch (level) {
    case zbLogCriticalFailure:
      return "Critical Failure:";
    case zbLogError:
      return "Error:";
    case zbLogException:
      return "Exception:";
    case zbLogWarning:
      return "Warning:";
    case zbLogInformation:
      return "Information:";
    case zbLogTrace:
      return "Trace:";
    case zbLogPerfTiming:
      return "Perf. Timing:";
    case zbLogAudit:
      return "Audit:";
  }
  return "Unknown:";
}
