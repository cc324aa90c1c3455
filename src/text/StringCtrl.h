// StringCtrl: the text helpers every page parser, naming rule and file boundary uses.
//
// Text is UTF-16 (std::u16string); raw bodies, markers and GBK/UTF-8 data are bytes (std::string).
// Positions are UTF-16 code-unit indexes (bytes for the std::string overloads); -1 means not found.
// Searches are exact, case-sensitive and find the first occurrence from the left.
// Every function is stateless and safe to call from any thread (the clipboard provider is
// installed once by the GUI). Nothing here throws: failures are "", -1 or false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Cutting and splitting

// Flags of GetMidString.
constexpr int MID_CONSUME = 1; // advance the source to just after the start marker
constexpr int MID_TO_END = 2;  // a missing end marker yields the whole rest after the start marker

// Text between the first start marker and the next end marker after it, or "".
// With MID_CONSUME the source continues right after the start marker when it was found (the value
// and the end marker stay in it) and is left alone otherwise.
std::u16string GetMidString(std::u16string& src, const std::u16string& start, const std::u16string& end,
                            int flags = 0);
std::string GetMidString(std::string& src, const std::string& start, const std::string& end, int flags = 0);

// Finds the marker; on success drops everything before it (and the marker too with dropMark).
// Returns the marker's position in the text as it was, or -1 leaving the text unchanged.
int CutAfter(std::u16string& text, const std::u16string& mark, bool dropMark = false);
int CutAfter(std::string& text, const std::string& mark, bool dropMark = false);

// Finds the marker; on success keeps only the part before it. Returns its position or -1.
int CutBefore(std::u16string& text, const std::u16string& mark);
int CutBefore(std::string& text, const std::string& mark);

// Number of non-overlapping occurrences of sep ("aaa" holds one "aa"). sep must not be empty
// (an empty separator counts 0).
int CountString(const std::u16string& text, const std::u16string& sep);
int CountString(const std::string& text, const std::string& sep);

// Clears out and fills it with count + 1 pieces cut at successive separators; once separators
// run out, the remaining text is the piece (and later pieces repeat it, as the cut copy no longer
// changes). Called with CountString's result it yields exactly the pieces between separators.
void SplitString(const std::u16string& text, const std::u16string& sep, int count,
                 std::vector<std::u16string>& out);
void SplitString(const std::string& text, const std::string& sep, int count, std::vector<std::string>& out);

// Clears out; returns the number of separators. With none, returns 0 and leaves out EMPTY
// (not one piece holding the whole text); otherwise out holds that number + 1 pieces.
int SplitAll(const std::u16string& text, const std::u16string& sep, std::vector<std::u16string>& out);
int SplitAll(const std::string& text, const std::string& sep, std::vector<std::string>& out);

// ---------------------------------------------------------------------------------------------
// Small string operations the rest of the system relies on

// Replaces every non-overlapping occurrence, left to right, in one pass; returns how many.
// An empty search text replaces nothing and returns 0.
int StrReplace(std::u16string& text, std::u16string_view from, std::u16string_view to);
int StrReplace(std::string& text, std::string_view from, std::string_view to);

// Removes every unit equal to c; returns how many were removed.
int StrRemove(std::u16string& text, char16_t c);

// White space: the Unicode White_Space characters (ASCII blanks and controls 9-13, NBSP,
// ideographic space U+3000, ...).
bool IsWhiteSpace(char16_t c);
void TrimLeft(std::u16string& text);
void TrimRight(std::u16string& text);
void Trim(std::u16string& text);
// Trims only units equal to c.
void TrimLeft(std::u16string& text, char16_t c);
void TrimRight(std::u16string& text, char16_t c);

// ASCII case-insensitive equality (letters A-Z/a-z only; other units compared exactly).
bool EqualsNoCaseAscii(std::u16string_view a, std::u16string_view b);

// Builds UTF-16 text from ASCII (for printf-style results and numbers).
std::u16string AsciiToU16(std::string_view ascii);

// ---------------------------------------------------------------------------------------------
// Markup and escapes

// Decodes, in this order and each over the whole text: &quot; &amp; &lt; &gt; &nbsp; &hellip;
// &#39;. Nothing else ("&amp;lt;" therefore ends as "<").
void HtmlDecode(std::u16string& text);

// Decodes backslash-u escapes: each "\u" followed by four units becomes the one UTF-16 unit the
// leading hex digits give (parsing stops at the first non-hex unit; no digits gives 0, which is
// kept as a unit). A "\u" followed by fewer than four units is dropped, the units kept.
// Surrogate halves are kept as written, so a pair written as two escapes becomes the pair.
std::u16string UnescapeUnicode(const std::u16string& text);

// The user's replacement rules: lists separated by "|". With equal counts of "|", item i of
// search is replaced by item i of repl, in ascending order (each step sees the previous
// result). With different counts both lists are used whole as one search and one replacement.
void ReplaceList(std::u16string& text, const std::u16string& search, const std::u16string& repl);

// ---------------------------------------------------------------------------------------------
// Clipboard and random value

// The clipboard text, or "" when there is none or no provider is installed. The GUI installs a
// provider reading the platform clipboard; the core has none (it stays free of the GUI toolkit).
std::u16string GetClipboardText();
// Installs (or, with an empty function, removes) the clipboard provider. Call from the UI
// thread at start-up; GetClipboardText calls the provider on the caller's thread.
void SetClipboardTextProvider(std::function<std::u16string()> provider);

// A changing query value: r / 32767.0 with r in 0..32767 drawn from a generator seeded with the
// current time in seconds, formatted "%0.16f\n" (newline included). Same second, same text.
std::u16string RandomFraction();

// ---------------------------------------------------------------------------------------------
// Byte codecs for the fixed texts kept scrambled in the program

// Encode: each byte becomes two uppercase hex digits of its bitwise complement (0x4A -> "B5").
// Decode: digit pairs complemented back; input of odd length or with a non-hex digit gives "".
void NibbleHexCodec(std::string& bytes, bool encode);

// Text and key as GBK bytes; byte i XOR key byte (i mod key length). Encoding gives "%02X"
// pairs; decoding a hex text of odd length gives "". An empty key gives "".
std::u16string XorHexCodec(const std::u16string& text, bool encode, const std::u16string& key);

// Like XorHexCodec, but the XOR-ed bytes 0, 13 and 10 are escaped as key byte + '1'/'2'/'3'
// and the result goes through NibbleHexCodec. An empty key gives "".
std::u16string XorEscapeCodec(const std::u16string& text, bool encode, const std::u16string& key);

// Byte i of the GBK form becomes (byte + base + i * step) mod 256, read back as GBK text.
// Undone by the same call with -base and -step (as long as the shifted bytes are valid GBK).
std::u16string ShiftCodec(const std::u16string& text, int base, int step);

// ---------------------------------------------------------------------------------------------
// Code pages (Windows numbering; converted through iconv)

constexpr int CP_ANSI = 0;   // the legacy code page: GBK on this system
constexpr int CP_GBK = 936;  // GBK
constexpr int CP_BIG5 = 950; // Big5 (CP950)
constexpr int CP_UTF16LE = 1200;
constexpr int CP_EUCKR = 51949; // EUC-KR
constexpr int CP_UTF8 = 65001;

// GBK bytes of the text; a character GBK cannot hold (or a lone surrogate) becomes '?'.
std::string ToGbk(std::u16string_view text);

// Text of n bytes in the code page, up to its first zero unit. Invalid sequences become U+FFFD.
// "" for no bytes or an unknown code page.
std::u16string DecodeBytes(const char* bytes, size_t n, int codePage);
std::u16string DecodeBytes(std::string_view bytes, int codePage);

// Zero-terminated bytes in the ANSI (GBK) code page.
std::u16string AnsiToString(const char* bytes);

// The byte-pattern test that picks UTF-8 automatically: every lead byte followed by its
// continuation bytes, nothing expected at the end, and at least one byte 0x80 or above
// (so empty and pure ASCII input are not UTF-8). Overlong forms pass.
bool IsUtf8(const char* bytes, size_t n);
bool IsUtf8(std::string_view bytes);

// Text-decoding flag for a per-site charset setting: a value starting with "UTF8" -> 0x02,
// "ANSI" -> 0, "AUTO" -> 0x10, "BIG5" -> 0x08 (tested in that order, case-sensitive). Returns
// false and leaves flag unchanged when none matches.
bool CharsetFlagFromSetting(std::u16string_view value, unsigned char& flag);

// ---------------------------------------------------------------------------------------------
// UTF-8 at the file-system and network boundaries

// Lone surrogates become U+FFFD. Never throws.
std::string ToUtf8(std::u16string_view text);
// Invalid or truncated sequences (and overlong forms, surrogate code points) become U+FFFD.
std::u16string FromUtf8(std::string_view bytes);
// Bytes of the text's UTF-8 form (a lone surrogate counts as the 3 bytes of U+FFFD).
size_t Utf8Length(std::u16string_view text);
// The longest prefix whose UTF-8 form fits maxBytes; never ends inside a surrogate pair.
std::u16string CutToUtf8Bytes(std::u16string_view text, size_t maxBytes);

// ---------------------------------------------------------------------------------------------
// Valid file names

// Number that asks MakeValidName's fallback for a time stamp instead of "pic%d".
constexpr uint32_t VALIDNAME_TIME = 0xffff;

// Turns any text into one path component, in place: entities decoded, blank runs folded, ends
// trimmed, a name of dots only turned into full-width stops, the characters CR LF \ / : * ? " < >
// | and NUL removed, TAB -> '_', BEL removed, leading and trailing dots removed. The result never
// contains '/' and is never "." or "..". With fallback, an empty result or one of 1000 units or
// more becomes the local time "%Y%m%d%H%M%S" (number VALIDNAME_TIME) or "pic<number>".
// The result may still be longer than 255 UTF-8 bytes: callers cut with CutToUtf8Bytes.
void MakeValidName(std::u16string& text, uint32_t number = 0, bool fallback = false);
