#include "TextCollation.h"

#include <QChar>

namespace TextCollation {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct AsciiFoldTable
{
    unsigned char t[128];
    constexpr AsciiFoldTable() : t()
    {
        for (int i = 0; i < 128; ++i)
            t[i] = (i >= 'A' && i <= 'Z') ? static_cast<unsigned char>(i + 32)
                                          : static_cast<unsigned char>(i);
    }
};
constexpr AsciiFoldTable kTable;

inline const unsigned char *bytesOf(std::string_view s)
{
    return reinterpret_cast<const unsigned char *>(s.data());
}

// The next folded code point of a text.
inline char32_t nextFolded(const unsigned char *&p, const unsigned char *end)
{
    const unsigned char c = *p;
    if (c < 0x80) {
        ++p;
        return kTable.t[c];
    }
    return fold(decode(p, end));
}

} // namespace

int encode(char32_t c, unsigned char *out)
{
    if (c < 0x80) {
        out[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 4;
}

namespace {

// Length of the well-formed sequence at p, 0 when it is not one.
int sequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned char c = *p;
    if (c < 0x80)
        return 1;
    int n;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 1;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 2;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 3;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (end - p - 1 < n)
        return 0;
    for (int i = 1; i <= n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
        return 0;
    if (n == 3 && (cp < 0x10000 || cp > 0x10FFFF))
        return 0;
    return n + 1;
}

} // namespace

// decode, and whether the bytes were a well-formed sequence.
static inline char32_t decodeChecked(const unsigned char *&p, const unsigned char *end,
                                     bool *valid)
{
    const unsigned char c = *p;
    // Two- and three-byte sequences (Latin letters, CJK) in one go.
    if (c >= 0xC2 && c <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
        const char32_t cp = (char32_t(c & 0x1F) << 6) | (p[1] & 0x3F);
        p += 2;
        *valid = true;
        return cp;
    }
    if (c >= 0xE0 && c <= 0xEF && end - p >= 3 && (p[1] & 0xC0) == 0x80
        && (p[2] & 0xC0) == 0x80) {
        const char32_t cp = (char32_t(c & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6)
                            | (p[2] & 0x3F);
        if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
            p += 3;
            *valid = true;
            return cp;
        }
    }
    const int n = sequenceLength(p, end);
    *valid = n > 0;
    if (n == 0) {
        ++p;
        return kReplacement;
    }
    char32_t cp;
    switch (n) {
    case 1:
        cp = c;
        break;
    case 2:
        cp = ((c & 0x1F) << 6) | (p[1] & 0x3F);
        break;
    case 3:
        cp = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        break;
    default:
        cp = ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        break;
    }
    p += n;
    return cp;
}

char32_t decode(const unsigned char *&p, const unsigned char *end)
{
    if (*p < 0x80)
        return *p++;
    bool valid;
    return decodeChecked(p, end, &valid);
}

char32_t fold(char32_t c)
{
    if (c < 0x80)
        return kTable.t[c];
    // CJK ideographs, kana and Hangul have no case: the common case of this tool's texts.
    if (caseless(c))
        return c;
    return QChar::toCaseFolded(c);
}

bool isSelfFolded(std::string_view utf8)
{
    const unsigned char *p = bytesOf(utf8);
    const unsigned char *end = p + utf8.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            if (c == 0 || (c >= 'A' && c <= 'Z'))
                return false;
            ++p;
            continue;
        }
        if (sequenceLength(p, end) == 0)
            return false; // an invalid byte reads as U+FFFD: not its own bytes
        const char32_t cp = decode(p, end);
        if (!caseless(cp) && fold(cp) != cp)
            return false;
    }
    return true;
}

std::u32string foldedKey(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    const unsigned char *p = bytesOf(utf8);
    const unsigned char *end = p + utf8.size();
    while (p < end)
        out.push_back(nextFolded(p, end));
    return out;
}

uint64_t foldedPrefixKey(std::string_view utf8)
{
    unsigned char buf[12] = {};
    int n = 0;
    const unsigned char *p = bytesOf(utf8);
    const unsigned char *end = p + utf8.size();
    while (p < end && n < 8) {
        const unsigned char c = *p;
        if (c < 0x80) {
            buf[n++] = kTable.t[c];
            ++p;
        } else {
            n += encode(fold(decode(p, end)), buf + n);
        }
    }
    uint64_t key = 0;
    for (int i = 0; i < 8; ++i)
        key = (key << 8) | buf[i];
    return key;
}

uint64_t foldedKeyAt(std::string_view utf8, size_t offset, bool *exhausted)
{
    unsigned char buf[12] = {};
    size_t pos = 0; // folded bytes produced so far
    int n = 0;      // bytes of the key filled
    const unsigned char *p = bytesOf(utf8);
    const unsigned char *end = p + utf8.size();
    while (p < end && n < 8) {
        unsigned char ch[4];
        int len;
        if (*p < 0x80) {
            ch[0] = kTable.t[*p++];
            len = 1;
        } else {
            len = encode(fold(decode(p, end)), ch);
        }
        for (int i = 0; i < len; ++i, ++pos) {
            if (pos >= offset && n < 8)
                buf[n++] = ch[i];
        }
    }
    *exhausted = n == 0 && p >= end;
    uint64_t key = 0;
    for (int i = 0; i < 8; ++i)
        key = (key << 8) | buf[i];
    return key;
}

uint64_t foldedKeyAt(std::string_view utf8, size_t offset, bool *exhausted, bool *selfFolded)
{
    unsigned char buf[12] = {};
    size_t pos = 0;
    int n = 0;
    bool same = true;
    const unsigned char *p = bytesOf(utf8);
    const unsigned char *end = p + utf8.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            const unsigned char f = kTable.t[c];
            same = same && c != 0 && f == c;
            if (pos >= offset && n < 8)
                buf[n++] = f;
            ++pos;
            ++p;
        } else {
            const unsigned char *start = p;
            bool valid;
            const char32_t cp = decodeChecked(p, end, &valid);
            const char32_t f = caseless(cp) ? cp : fold(cp);
            unsigned char ch[4];
            const unsigned char *bytes = start; // a character that folds to itself: its bytes
            int k = int(p - start);
            if (!valid || f != cp) {
                same = false;
                k = encode(f, ch);
                bytes = ch;
            }
            for (int i = 0; i < k; ++i, ++pos) {
                if (pos >= offset && n < 8)
                    buf[n++] = bytes[i];
            }
        }
        if (n == 8 && !same)
            break; // nothing more to learn
    }
    *exhausted = pos <= offset;
    *selfFolded = same;
    uint64_t key = 0;
    for (int i = 0; i < 8; ++i)
        key = (key << 8) | buf[i];
    return key;
}

int compareFolded(std::string_view a, std::string_view b)
{
    const unsigned char *pa = bytesOf(a);
    const unsigned char *ea = pa + a.size();
    const unsigned char *pb = bytesOf(b);
    const unsigned char *eb = pb + b.size();
    while (pa < ea && pb < eb) {
        const unsigned char ca = *pa;
        const unsigned char cb = *pb;
        if ((ca | cb) < 0x80) {
            const unsigned char fa = kTable.t[ca];
            const unsigned char fb = kTable.t[cb];
            if (fa != fb)
                return fa < fb ? -1 : 1;
            ++pa;
            ++pb;
            continue;
        }
        char32_t x = ca < 0x80 ? (++pa, char32_t(ca)) : decode(pa, ea);
        char32_t y = cb < 0x80 ? (++pb, char32_t(cb)) : decode(pb, eb);
        if (x != y) {
            x = fold(x);
            y = fold(y);
            if (x != y)
                return x < y ? -1 : 1;
        }
    }
    return int(pa < ea) - int(pb < eb);
}

int compareIndexOrder(std::string_view a, std::string_view b)
{
    const int c = compareFolded(a, b);
    if (c != 0)
        return c;
    const int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int compareFoldedToKey(std::string_view utf8, const std::u32string &key, bool prefix)
{
    const unsigned char *p = bytesOf(utf8);
    const unsigned char *end = p + utf8.size();
    size_t i = 0;
    const size_t n = key.size();
    while (p < end && i < n) {
        const char32_t x = nextFolded(p, end);
        const char32_t y = key[i++];
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < n)
        return -1; // the text is shorter than the key
    if (p < end && !prefix)
        return 1;
    return 0;
}

bool foldedEquals(std::string_view utf8, const std::u32string &key)
{
    return compareFoldedToKey(utf8, key, false) == 0;
}

bool foldedStartsWith(std::string_view utf8, const std::u32string &key)
{
    // Cheap rejection on the first character, the usual outcome of a linear scan.
    if (key.empty())
        return true;
    if (utf8.empty())
        return false;
    const unsigned char c = bytesOf(utf8)[0];
    if (c < 0x80 && key[0] < 0x80 && kTable.t[c] != key[0])
        return false;
    return compareFoldedToKey(utf8, key, true) == 0;
}

int codePointCount(std::string_view utf8)
{
    int n = 0;
    for (const char ch : utf8)
        n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    return n;
}

size_t prefixBytes(std::string_view utf8, int maxChars)
{
    int chars = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (chars == maxChars)
                return i;
            ++chars;
        }
    }
    return utf8.size();
}

bool isValidUtf8(std::string_view bytes)
{
    const unsigned char *p = bytesOf(bytes);
    const unsigned char *end = p + bytes.size();
    while (p < end) {
        const int n = sequenceLength(p, end);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

} // namespace TextCollation
