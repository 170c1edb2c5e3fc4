#include "serviceprobe.h"

#include "httptransfer.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

namespace {
// Our service's name in the Server header.
constexpr QByteArrayView kOurServer = "tarvio-segment-service";
constexpr std::chrono::milliseconds kConnectTimeout{1000};
} // namespace

bool IsLoopbackHost(const QString &host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    boost::system::error_code notAnAddress;
    const asio::ip::address address = asio::ip::make_address(host.toStdString(), notAnAddress);
    return !notAnAddress && address.is_loopback();
}

bool SomethingListens(const QString &host, quint16 port) {
    asio::io_context io(1);
    tcp::resolver resolver(io);
    boost::system::error_code error;
    const auto endpoints = resolver.resolve(host.toStdString(), std::to_string(port), error);
    if (error)
        return false;
    tcp::socket socket(io);
    bool connected = false;
    for (const auto &entry : endpoints) {
        socket.async_connect(entry.endpoint(),
                             [&](const boost::system::error_code &result) { connected = !result; });
        io.restart();
        io.run_for(kConnectTimeout);
        boost::system::error_code ignored;
        socket.close(ignored);
        if (connected)
            return true;
    }
    return false;
}

bool OursAnswers(const QString &host, quint16 port, std::chrono::milliseconds timeout,
                 const WaitHook &hook) {
    HttpTransfer transfer(host, port, timeout, 64 * 1024);
    const HttpTransfer::Answer answer =
        transfer.Get(QByteArrayLiteral("/cc/json/mobile_tel_segment.htm?tel=13800138000"), hook);
    return answer.kind == HttpTransfer::Answer::Kind::Complete &&
           answer.server.startsWith(kOurServer);
}

quint16 FreeLoopbackPort() {
    asio::io_context io(1);
    boost::system::error_code error;
    tcp::acceptor acceptor(io);
    acceptor.open(tcp::v4(), error);
    if (!error)
        acceptor.bind(tcp::endpoint(asio::ip::address_v4::loopback(), 0), error);
    if (error)
        return 0;
    return acceptor.local_endpoint(error).port();
}
