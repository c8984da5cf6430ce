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
// Simple case folding of one code point.
char32_t fold(char32_t c);

// The text's folded code points.
std::u32string foldedKey(std::string_view utf8);
// The first eight bytes of the folded text's UTF-8, big-endian, zero-padded: comparing
// two keys as integers orders the texts as compareFolded does, except that equal keys
// say nothing.
uint64_t foldedPrefixKey(std::string_view utf8);

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
