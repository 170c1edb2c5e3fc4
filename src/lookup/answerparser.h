#pragma once

#include <QByteArray>

#include <boost/beast/http/basic_parser.hpp>

#include <cstdint>

// Beast's parser for one answer of the service, keeping of it only what the
// lookup reads: the status, the content type and the body. A body over the
// cap is refused before any of it is kept, and a header block past
// kMaxHeaderBytes is not an answer we want.
class AnswerParser : public boost::beast::http::basic_parser<false> {
public:
    // Room for any header block a real server sends.
    static constexpr std::uint32_t kMaxHeaderBytes = 64 * 1024;

    explicit AnswerParser(std::uint64_t maxBodyBytes);

    int status = 0;
    QByteArray contentType;
    QByteArray body;

private:
    using string_view = boost::beast::string_view;
    using error_code = boost::system::error_code;

    void on_request_impl(boost::beast::http::verb, string_view, string_view, int,
                         error_code &) override {}
    void on_response_impl(int code, string_view, int, error_code &) override { status = code; }
    void on_field_impl(boost::beast::http::field name, string_view, string_view value,
                       error_code &) override;
    void on_header_impl(error_code &) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t> &length,
                           error_code &error) override;
    std::size_t on_body_impl(string_view piece, error_code &) override;
    void on_chunk_header_impl(std::uint64_t, string_view, error_code &) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, string_view piece, error_code &error) override {
        return on_body_impl(piece, error);
    }
    void on_finish_impl(error_code &) override {}

    std::uint64_t m_maxBodyBytes;
};
