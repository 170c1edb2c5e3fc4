#include "answerparser.h"

namespace http = boost::beast::http;

AnswerParser::AnswerParser(std::uint64_t maxBodyBytes)
    : m_maxBodyBytes(maxBodyBytes) {
    header_limit(kMaxHeaderBytes);
    body_limit(maxBodyBytes);
    eager(true);
}

void AnswerParser::on_field_impl(http::field name, string_view, string_view value, error_code &) {
    if (name == http::field::content_type)
        contentType = QByteArray(value.data(), static_cast<qsizetype>(value.size()));
}

// Beast 1.74 lets a declared length past the body limit through when it
// reads eagerly, so the length is weighed here as well.
void AnswerParser::on_body_init_impl(const boost::optional<std::uint64_t> &length,
                                     error_code &error) {
    if (length && *length > m_maxBodyBytes)
        error = http::error::body_limit;
    else if (length)
        body.reserve(static_cast<qsizetype>(*length));
}

std::size_t AnswerParser::on_body_impl(string_view piece, error_code &) {
    body.append(piece.data(), static_cast<qsizetype>(piece.size()));
    return piece.size();
}
