#pragma once

#include <boost/beast/http/basic_parser.hpp>

#include <array>
#include <cstddef>
#include <string_view>

// One request, parsed by Beast's HTTP/1.1 parser as it arrives. Nothing of
// the request is kept but what the answer needs: whether it asks the
// answer path, and the value of "tel=" (decoded, at most a few bytes). The
// parser keeps no copy of the bytes either, and a body is passed over as it
// comes, so a request costs the same memory whatever it sends.
//
// The request line and headers may take `headLimit` bytes together; Beast
// reports going past it as header_limit, and RequestLineTooLong tells
// whether the request line alone did. A body may take `headLimit` bytes too.
class RequestParser : public boost::beast::http::basic_parser<true> {
public:
    explicit RequestParser(size_t headLimit);

    // Valid once the header is done.
    bool AsksAnswer() const { return m_asksAnswer; }
    bool IsHead() const { return m_isHead; }
    bool IsHttp10() const { return m_version < 11; }
    // At most kTelBytes bytes; longer values are cut there, which no
    // number survives.
    std::string_view Tel() const { return {m_tel.data(), m_telLength}; }

    // After a header_limit error: whether the request line was still not
    // complete.
    bool RequestLineTooLong() const { return !m_sawRequestLine; }

    static constexpr size_t kTelBytes = 12;

private:
    void on_request_impl(boost::beast::http::verb method, boost::beast::string_view methodText,
                         boost::beast::string_view target, int version,
                         boost::beast::error_code &ec) override;
    void on_response_impl(int, boost::beast::string_view, int,
                          boost::beast::error_code &) override {}
    void on_field_impl(boost::beast::http::field, boost::beast::string_view,
                       boost::beast::string_view, boost::beast::error_code &) override {}
    void on_header_impl(boost::beast::error_code &) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t> &,
                           boost::beast::error_code &) override {}
    // A body is passed over as it arrives.
    size_t on_body_impl(boost::beast::string_view body, boost::beast::error_code &) override {
        return body.size();
    }
    void on_chunk_header_impl(std::uint64_t, boost::beast::string_view,
                              boost::beast::error_code &) override {}
    size_t on_chunk_body_impl(std::uint64_t, boost::beast::string_view body,
                              boost::beast::error_code &) override {
        return body.size();
    }
    void on_finish_impl(boost::beast::error_code &) override {}

    void TakeTel(std::string_view query);

    size_t m_headLimit;
    bool m_sawRequestLine = false;
    bool m_asksAnswer = false;
    bool m_isHead = false;
    int m_version = 11;
    std::array<char, kTelBytes> m_tel{};
    size_t m_telLength = 0;
};
