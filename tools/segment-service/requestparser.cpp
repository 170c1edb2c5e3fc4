#include "requestparser.h"

#include "answerpath.h"

namespace http = boost::beast::http;

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

RequestParser::RequestParser(size_t headLimit)
    : m_headLimit(headLimit) {
    header_limit(std::uint32_t(headLimit));
    body_limit(headLimit);
    // The body, if any, is parsed in the same pass as the header.
    eager(true);
}

void RequestParser::on_request_impl(http::verb method, boost::beast::string_view methodText,
                                    boost::beast::string_view targetText, int version,
                                    boost::beast::error_code &) {
    const std::string_view target(targetText.data(), targetText.size());
    m_sawRequestLine = true;
    m_version = version;
    // The headers may take what the request line left of the limit: the
    // line is "METHOD SP TARGET SP HTTP/1.1 CRLF", exactly, or Beast would
    // not have taken it.
    const size_t lineBytes = methodText.size() + target.size() + 12;
    header_limit(std::uint32_t(lineBytes < m_headLimit ? m_headLimit - lineBytes : 1));

    m_isHead = method == http::verb::head;
    if (method != http::verb::get && !m_isHead)
        return;
    const size_t question = target.find('?');
    if (target.substr(0, question) != kAnswerPath)
        return;
    m_asksAnswer = true;
    if (question != std::string_view::npos)
        TakeTel(target.substr(question + 1));
}

// The first "tel=" parameter, with %XX and '+' decoded as in a form.
void RequestParser::TakeTel(std::string_view query) {
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (!pair.starts_with("tel="))
            continue;
        const std::string_view value = pair.substr(4);
        for (size_t i = 0; i < value.size() && m_telLength < kTelBytes; ++i) {
            char c = value[i];
            if (c == '+') {
                c = ' ';
            } else if (c == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
                       HexValue(value[i + 2]) >= 0) {
                c = char(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
                i += 2;
            }
            m_tel[m_telLength++] = c;
        }
        return;
    }
}
