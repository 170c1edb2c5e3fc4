#include "lookup/lookupclient.h"

#include <QNetworkAccessManager>

LookupClient::LookupClient(QString serviceHost, int timeoutMs)
    : m_serviceHost(std::move(serviceHost))
    , m_timeoutMs(timeoutMs)
    , m_inet(new QNetworkAccessManager)
{
}

LookupClient::~LookupClient()
{
    delete m_inet;
}

QString LookupClient::DefaultServiceHost()
{
    return QStringLiteral(TARVIO_SERVICE_HOST);
}

QUrl LookupClient::RequestAddress(const QString &number) const
{
    return QUrl(QStringLiteral("http://") + m_serviceHost +
                QStringLiteral("/cc/json/mobile_tel_segment.htm?tel=") + number);
}

LookupAnswer LookupClient::QueryLocation(const QString &)
{
    return {};
}

void LookupClient::CancelTransfer() {}
