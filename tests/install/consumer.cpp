// Built against the installed library: includes only the umbrella header.
#include <zbutil.h>

int main() {
  String s("a.log");
  return (s.Replace(".log", ".lock") == 1 && s == "a.lock") ? 0 : 1;
}
