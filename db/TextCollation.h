#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text order of record-set indexes and the text matching of locate, on UTF-8 bytes.
// Texts compare by their case-folded code points (Unicode simple case folding), then by
// their code points, so that "abc", "ABC" and "Abc" sort together and a case-insensitive
// prefix search finds its rows side by side. Invalid UTF-8 bytes count as U+FFFD.
namespace TextCollation {

// Decodes one code point and advances p (p < end).
char32_t decode(const unsigned char *&p, const unsigned char *end);
// Whether the text is its own folded form: valid UTF-8, no NUL, nothing that folds
// to something else. Its folded bytes are then its bytes.
bool isSelfFolded(std::string_view utf8);
// Simple case folding of one code point.
char32_t fold(char32_t c);

// The text's folded code points.
std::u32string foldedKey(std::string_view utf8);
// The first eight bytes of the folded text's UTF-8, big-endian, zero-padded: comparing
// two keys as integers orders the texts as compareFolded does, except that equal keys
// say nothing.
uint64_t foldedPrefixKey(std::string_view utf8);

// Eight bytes of the folded text's UTF-8 from byte offset on, as foldedPrefixKey gives
// the first eight; exhausted is set when the folded text ends at or before offset.
uint64_t foldedKeyAt(std::string_view utf8, size_t offset, bool *exhausted);

// foldedKeyAt and isSelfFolded in one reading of the text.
uint64_t foldedKeyAt(std::string_view utf8, size_t offset, bool *exhausted, bool *selfFolded);

// Letter case of ASCII bytes only.
inline unsigned char foldAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}
// Code points without case (CJK, kana, Hangul): nothing else folds to them.
inline bool caseless(char32_t c)
{
    return (c >= 0x3040 && c < 0xA000) || (c >= 0xAC00 && c < 0xD7A4);
}
// UTF-8 of one code point into out (4 bytes at most); returns the length.
int encode(char32_t c, unsigned char *out);

// <0, 0, >0: the folded texts compared.
int compareFolded(std::string_view a, std::string_view b);
// The index order: folded, then code points (UTF-8 byte order).
int compareIndexOrder(std::string_view a, std::string_view b);

// The folded text compared with a folded key; with prefix set, a text that begins
// with the key compares equal.
int compareFoldedToKey(std::string_view utf8, const std::u32string &key, bool prefix);
bool foldedEquals(std::string_view utf8, const std::u32string &key);
bool foldedStartsWith(std::string_view utf8, const std::u32string &key);

// Code points of a UTF-8 text (its length in characters).
int codePointCount(std::string_view utf8);
// Bytes of the first maxChars characters.
size_t prefixBytes(std::string_view utf8, int maxChars);
// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

} // namespace TextCollation
