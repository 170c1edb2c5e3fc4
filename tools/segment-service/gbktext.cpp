#include "gbktext.h"

#include <cerrno>
#include <iconv.h>

namespace {

// An iconv descriptor keeps shift state and may not be shared between
// threads; opening one per call costs more than the conversion, so each
// worker thread keeps its own.
class GbkConverter {
public:
    GbkConverter()
        : m_cd(iconv_open("GBK", "UTF-8")) {}
    ~GbkConverter() {
        if (valid())
            iconv_close(m_cd);
    }
    GbkConverter(const GbkConverter &) = delete;
    GbkConverter &operator=(const GbkConverter &) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    std::optional<std::string> Convert(std::string_view utf8) {
        if (!valid())
            return std::nullopt;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // reset the state
        // GBK never needs more bytes than UTF-8 for the same text.
        std::string out(utf8.size(), '\0');
        char *in = const_cast<char *>(utf8.data());
        size_t inLeft = utf8.size();
        char *outPtr = out.data();
        size_t outLeft = out.size();
        if (iconv(m_cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t m_cd;
};

} // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    thread_local GbkConverter converter;
    return converter.Convert(utf8);
}
