#include "gbktext.h"

bool IsUtf8(std::string_view bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int trail = 0;
        unsigned char low = 0x80, high = 0xbf; // allowed range of the second byte
        if (c >= 0xc2 && c <= 0xdf) {
            trail = 1;
        } else if (c >= 0xe0 && c <= 0xef) {
            trail = 2;
            if (c == 0xe0)
                low = 0xa0; // overlong
            else if (c == 0xed)
                high = 0x9f; // surrogates
        } else if (c >= 0xf0 && c <= 0xf4) {
            trail = 3;
            if (c == 0xf0)
                low = 0x90; // overlong
            else if (c == 0xf4)
                high = 0x8f; // beyond U+10FFFF
        } else {
            return false;
        }
        if (end - p <= trail || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= trail; ++i) {
            if ((p[i] & 0xc0) != 0x80)
                return false;
        }
        p += trail + 1;
    }
    return true;
}
