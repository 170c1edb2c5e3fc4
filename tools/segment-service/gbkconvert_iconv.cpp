// UTF-8 to and from GBK through iconv, where the C library has it.
#include "gbktext.h"

#include <cerrno>
#include <iconv.h>

namespace {

// An iconv descriptor keeps shift state and may not be shared between
// threads; opening one per call costs more than the conversion, so each
// thread keeps its own.
class Converter {
public:
    Converter(const char *to, const char *from)
        : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // `growth`: the most output bytes one input byte can become.
    std::optional<std::string> Convert(std::string_view text, size_t growth) {
        if (!Valid())
            return std::nullopt;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // reset the state
        std::string out(text.size() * growth, '\0');
        char *in = const_cast<char *>(text.data());
        size_t inLeft = text.size();
        char *outPtr = out.data();
        size_t outLeft = out.size();
        if (iconv(m_cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return std::nullopt;
        // A sequence cut off at the end is not an error to iconv.
        if (inLeft != 0)
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t m_cd;
};

} // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    thread_local Converter converter("GBK", "UTF-8");
    // GBK never needs more bytes than UTF-8 for the same text.
    return converter.Convert(utf8, 1);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    thread_local Converter converter("UTF-8", "GB18030");
    // Two GBK bytes become at most three of UTF-8, four GB18030 bytes at
    // most four, and ASCII stays one.
    return converter.Convert(gbk, 2);
}
