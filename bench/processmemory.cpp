#include "processmemory.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: psapi.h builds on its types.
#include <psapi.h>

namespace {
PROCESS_MEMORY_COUNTERS Counters() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        counters.cb = 0;
    return counters;
}
} // namespace

long CurrentResidentKb() {
    const PROCESS_MEMORY_COUNTERS counters = Counters();
    return counters.cb ? long(counters.WorkingSetSize / 1024) : -1;
}

long PeakResidentKb() {
    const PROCESS_MEMORY_COUNTERS counters = Counters();
    return counters.cb ? long(counters.PeakWorkingSetSize / 1024) : -1;
}

bool ResetPeakResident() {
    return false;
}

#else
#include <QByteArray>
#include <QFile>

#include <malloc.h>

namespace {
// A field of /proc/self/status, in kB.
long StatusKb(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}
} // namespace

long CurrentResidentKb() {
    return StatusKb("VmRSS");
}

long PeakResidentKb() {
    return StatusKb("VmHWM");
}

bool ResetPeakResident() {
    // What was freed goes back to the system first, the worker threads'
    // arenas included: else the memory an earlier measurement freed still
    // counts as resident, and the next one's peak hides below it.
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}
#endif
