// A short tour of String: construction, replacement and the wide conversion.
#include <locale.h>
#include <stdio.h>

#include <zbutil.h>

int main() {
  setlocale(LC_ALL, "C.UTF-8");

  String greeting("Hello, world");
  const int replaced = greeting.Replace("o", "0");
  printf("%s (%d replacements)\n", greeting.c_str(), replaced);

  const String number(-2147483647L - 1);
  printf("String(long): %s\n", number.c_str());

  const String fromWide(L"caf\u00e9");
  printf("from wide text: %s (%zu bytes, %zu wide characters)\n", fromWide.c_str(), fromWide.size(),
         fromWide.GetUnicodeString().size());

  try {
    String("\xff").GetUnicodeString();
  } catch (long code) {
    printf("invalid UTF-8 throws 0x%08lX\n", static_cast<unsigned long>(code) & 0xFFFFFFFFul);
  }
  return 0;
}
