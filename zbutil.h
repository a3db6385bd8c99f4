#ifndef ZBUTIL_ZBUTIL_H_
#define ZBUTIL_ZBUTIL_H_

// Every public header of the library.

#include "logging/zbILogger.h"
#include "logging/zbUnixLogger.h"
#include "platform/Exception.h"
#include "platform/Export.h"
#include "platform/Win32Runtime.h"
#include "platform/ZbUnixPerformanceTimer.h"
#include "strings/AnsiString.h"
#include "strings/Common.h"
#include "strings/ReRegEx.h"
#include "strings/String.h"
#include "tokenizer/ReParser.h"

#endif  // ZBUTIL_ZBUTIL_H_
