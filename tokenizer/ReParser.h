#ifndef ZBUTIL_TOKENIZER_REPARSER_H_
#define ZBUTIL_TOKENIZER_REPARSER_H_

// ReParser: cuts a text into tokens at every occurrence of a delimiter string.
//
// The escape character written right before a delimiter makes that occurrence part of
// the token: "a!;b;c" with delimiter ";" and escape '!' gives "a;b" and "c". Only the
// character directly before an occurrence counts, and only when it lies inside the
// current token (an occurrence where a token starts is never escaped). The escape
// character is dropped there and kept everywhere else; it cannot escape itself, so
// "a!!;b" gives the one token "a!;b". An escape character that the delimiter itself
// contains follows the same rule: delimiter "!;" with escape '!' cuts "a!;b" into "a"
// and "b", and "a!!;b" is the one token "a!;b".
//
// One object offers two independent readings of its text:
// - the token list, made once by the constructor (GetTokenCount, operator[]). n
//   unescaped delimiters always give n + 1 tokens, empty ones included, so a
//   delimiter at the end gives a final empty token. NUL bytes are ordinary bytes.
// - the sequential reading (GetToken, GetRemaining, MoreTokens, MoreDelimiterExists)
//   with its own position. It reads the text only up to its first NUL byte at or
//   after the position, and after a delimiter at the very end MoreTokens is false:
//   no final empty token is returned.
// The delimiter is matched with all of its bytes, on either reading.
//
// The object owns copies of its text and delimiter; every token is returned as a new
// String. A ReParser may be read by several threads only while none of them uses the
// sequential reading, which moves the position.

#include <stdint.h>

#include <vector>

#include "platform/Export.h"
#include "strings/String.h"

class ZBUTIL_API ReParser {
 public:
  // The common delimiters, ";" and ",". Plain pointers, as programs built for this
  // interface declare them; the library itself never reads them.
  static char const* sm_pszSemicolon;
  static char const* sm_pszComma;

  // Copies the text, the delimiter and the escape character and builds the token
  // list; the sequential reading starts at the beginning. An empty delimiter makes
  // the whole text one token. Throws std::length_error for a text of 2^32 bytes or
  // more, which the 32-bit position could not address.
  ReParser(String const& strText, String const& strDelimiter, char cEscape);
  virtual ~ReParser();

  // Appends the tokens of the text from the sequential position on to the token
  // list, without clearing it first and without moving the position. An empty text
  // adds nothing. The constructor calls it once, at position 0. Linear in the
  // length of the text.
  void InitializeTokensInVector();

  // The number of tokens in the list.
  unsigned long GetTokenCount() const;

  // A copy of the token with the 0-based index ulIndex. Throws std::out_of_range
  // when ulIndex is not below GetTokenCount().
  String operator[](unsigned long ulIndex) const;

  // The next token of the sequential reading, escapes resolved; moves the position
  // past the token and the delimiter that ends it. Empty once MoreTokens() is false.
  String GetToken();

  // The text from the position up to its first NUL byte, escapes untouched; moves
  // the position to the end, so MoreTokens() is false afterwards.
  String GetRemaining();

  // True while the position is below the text's length.
  bool MoreTokens() const;

  // True when the delimiter occurs, escaped or not, between the position and the
  // first NUL byte after it; always true for an empty delimiter.
  bool MoreDelimiterExists() const;

 protected:
  String m_strText;
  String m_strDelimiter;
  char m_cEscape;
  // Index into m_strText of the sequential reading: 0 after construction, never
  // more than m_strText.size(). Only the sequential reading moves it.
  uint32_t m_ulPos;
  std::vector<String> m_vecTokens;
};

#endif  // ZBUTIL_TOKENIZER_REPARSER_H_
