// Built against the installed library: includes only the umbrella header, derives from
// the logger and catches the library's exception, so the installed headers, vtables
// and type information must match the installed library. Usage: consumer DIRECTORY
// (an existing directory, where it writes consumer.log and consumer.lock).
#include <zbutil.h>

namespace {

class ConsumerLogger : public zbUnixLogger {
 public:
  explicit ConsumerLogger(char const* directory)
      : zbUnixLogger("consumer.log"), m_strDirectory(directory) {}
  int LoadLogSettings(zbLogSettings& settings, String& /*baseDirectory*/) override {
    settings.m_strLogDirectory = m_strDirectory;
    return 0;
  }

 private:
  String m_strDirectory;
};

}  // namespace

int main(int argc, char** argv) {
  String s("a.log");
  if (argc != 2 || s.Replace(".log", ".lock") != 1 || s != "a.lock") return 1;
  try {
    throw Exception(7, "caught by type");
  } catch (Exception const& e) {
    if (e.m_lCode != 7) return 1;
  }
  ConsumerLogger logger(argv[1]);
  logger.Log(zbLogError, __FILE__, __LINE__, "from %s", "outside");
  return logger.GetRecordsWritten() == 1 ? 0 : 1;
}
