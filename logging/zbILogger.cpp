#include "logging/zbILogger.h"

#include "RecordFormat.h"

// Defined here so that the vtable and type information live in the library.
zbILogger::~zbILogger() {}

char const* zbILogger::GetLogLevelDisplayName(zbLogLevel level) {
  // The names are literals: NUL-terminated.
  return zbutil_logfile::LevelDisplayName(level).data();
}
