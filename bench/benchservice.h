#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// What the window benchmarks share: numbers the bundled segment service
// knows, and the service itself, started on a free loopback port.

// The i-th of as many distinct numbers as wanted, each under a mobile prefix
// that the bundled service knows, so that every row is found.
QString KnownNumber(int i);

// Whether something accepts connections on 127.0.0.1:port.
bool Listening(quint16 port);

// Starts the bundled service on a free loopback port; returns the port, or 0.
quint16 StartService(QProcess &service);

// The service a window benchmark asks: the one its arguments name with
// "--service HOST:PORT" (taken out of them), or else the bundled one,
// started in `service`. An empty host, said on stderr, when there is none
// on 127.0.0.1.
QString ServiceForBenchmark(QStringList &args, QProcess &service);

// Ends the bundled service, if it was started.
void StopService(QProcess &service);
