#pragma once

#include "waithook.h"

#include <QString>

#include <chrono>

// Quick looks at a number-segment service on this machine.

// Whether host is this machine: "localhost" or a loopback address.
bool IsLoopbackHost(const QString &host);

// Whether anything accepts connections at host:port.
bool SomethingListens(const QString &host, quint16 port);

// Whether what answers at host:port is our own segment-service, which names
// itself in the Server header of its answers.
bool OursAnswers(const QString &host, quint16 port, std::chrono::milliseconds timeout,
                 const WaitHook &hook = {});
