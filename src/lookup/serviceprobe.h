#pragma once

#include <QString>

#include <chrono>

class CommandWaiter;

// Quick looks at a number-segment service on this machine.

// Whether host is this machine: "localhost" or a loopback address.
bool IsLoopbackHost(const QString &host);

// Whether anything accepts connections at host:port.
bool SomethingListens(const QString &host, quint16 port);

// Whether what answers at host (host or host:port) speaks the lookup
// protocol: asked about a number that every table knows, it gives an answer
// the lookup takes, a literal with "telString", province and catName. Who
// wrote the program does not matter.
// Waits with the waiter; without one, in an event loop of its own.
bool AnswersLookups(const QString &host, std::chrono::milliseconds timeout, CommandWaiter &waiter);
bool AnswersLookups(const QString &host, std::chrono::milliseconds timeout);
