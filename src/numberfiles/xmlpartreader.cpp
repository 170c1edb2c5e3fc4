#include "xmlpartreader.h"

#include "stretchworkers.h"
#include "xlsxpackage.h"
#include "xmlcuts.h"

#include <atomic>
#include <thread>

namespace {
// A stretch holds no more than a reader fed piece by piece takes without a
// token, so that it holds nothing that reader would refuse.
constexpr qsizetype kMaxStretch = XmlStretchReader::kMaxBytesWithoutToken;
// How the rest of a part read on as a whole is fed to its reader.
constexpr qsizetype kPieceSize = 256 << 10;

std::atomic<qsizetype> g_stretchBytes{XmlStretchBytes::kDefault};

int Cores() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 2 : int(std::min(cores, 4u));
}

// A part's bytes as they are inflated, cut into stretches.
class PartReader {
public:
    explicit PartReader(const XmlPartReading &reading)
        : m_reading(reading)
        , m_finder(reading.cutAfter)
        , m_workers([this](const QByteArray &bytes) { return ReadStretchWhole(bytes); }) {}

    // The next bytes of the part; false once they are of no use (a fault).
    bool Take(QByteArrayView piece);
    // The part was inflated to its end, or as far as `zipFault` let it.
    WorkbookFault Finish(WorkbookFault zipFault);

private:
    enum class Phase {
        Head,      // before the first cut
        Stretches, // cut into stretches
        Rest,      // the rest read on as a whole
    };

    bool Over() const { return m_fault != WorkbookFault::None || m_ended; }
    void Cut();
    // Reads one stretch; the part's head (the first) also gives the tags
    // still open at its end, which every later stretch is read after.
    ReadStretch ReadStretchWhole(const QByteArray &bytes, QByteArray *openTags = nullptr) const;
    void Merge(ReadStretch &read);
    void ReadRestWhole();
    void FeedRest(const QByteArray &bytes);

    const XmlPartReading &m_reading;
    XmlCutFinder m_finder;
    Phase m_phase = Phase::Head;
    std::optional<bool> m_cutsKeepEncoding;
    QByteArray m_pending;
    QByteArray m_openTags;
    std::unique_ptr<XmlStretch> m_restStretch;
    std::unique_ptr<XmlStretchReader> m_rest;
    WorkbookFault m_fault = WorkbookFault::None;
    bool m_ended = false;
    // Last, so that its threads end before what they use goes.
    StretchWorkers m_workers;
};

bool PartReader::Take(QByteArrayView piece) {
    if (Over())
        return m_fault == WorkbookFault::None;
    while (std::optional<ReadStretch> read = m_workers.TakeNext(false)) {
        Merge(*read);
        if (Over())
            return m_fault == WorkbookFault::None;
    }
    if (m_phase == Phase::Rest) {
        FeedRest(piece.toByteArray());
        return m_fault == WorkbookFault::None;
    }
    m_pending.append(piece);
    if (!m_cutsKeepEncoding) {
        m_cutsKeepEncoding = XmlCutsKeepEncoding(m_pending, false);
        if (!m_cutsKeepEncoding)
            return true;
    }
    if (*m_cutsKeepEncoding)
        Cut();
    else
        ReadRestWhole();
    return m_fault == WorkbookFault::None;
}

void PartReader::Cut() {
    while (!Over()) {
        const qsizetype from = m_phase == Phase::Head ? 0 : g_stretchBytes.load();
        const qsizetype cut = m_finder.Find(m_pending, from);
        if (cut < 0 || cut > kMaxStretch) {
            if (m_pending.size() >= kMaxStretch)
                ReadRestWhole();
            return;
        }
        QByteArray stretch;
        stretch.reserve(m_openTags.size() + cut);
        stretch.append(m_openTags).append(m_pending.constData(), cut);
        m_pending.remove(0, cut);
        m_finder.DropFront(cut);
        if (m_phase == Phase::Head) {
            ReadStretch head = ReadStretchWhole(stretch, &m_openTags);
            Merge(head);
            m_phase = Phase::Stretches;
            continue;
        }
        m_workers.Start(Cores());
        m_workers.Hand(std::move(stretch));
        // A few stretches in hand at most, so that memory stays bounded
        // however fast the part inflates.
        while (!Over() && m_workers.Outstanding() > 2 * Cores()) {
            std::optional<ReadStretch> read = m_workers.TakeNext(true);
            Merge(*read);
        }
    }
}

ReadStretch PartReader::ReadStretchWhole(const QByteArray &bytes, QByteArray *openTags) const {
    ReadStretch read;
    read.stretch = m_reading.newStretch();
    const bool head = openTags != nullptr;
    XmlStretchReader reader(*read.stretch, m_reading.cutAfter, head);
    reader.Feed(bytes);
    read.fault = reader.Fault();
    read.ended = reader.Ended();
    read.endsAtCut = reader.EndsAtCut();
    if (head)
        *openTags = reader.OpenTags();
    return read;
}

void PartReader::Merge(ReadStretch &read) {
    if (const WorkbookFault fault = read.stretch->Merge(); fault != WorkbookFault::None)
        m_fault = fault;
    else if (read.fault != WorkbookFault::None)
        m_fault = read.fault;
    else if (read.ended)
        m_ended = true;
    // The reader must have seen the end tag where the bytes were cut: a
    // cut that fell where the XML is no markup (a declaration) is a fault
    // of the XML, as the reader of the whole would find it.
    else if (!read.endsAtCut)
        m_fault = WorkbookFault::Damaged;
}

void PartReader::ReadRestWhole() {
    while (!Over()) {
        std::optional<ReadStretch> read = m_workers.TakeNext(true);
        if (!read)
            break;
        Merge(*read);
    }
    m_phase = Phase::Rest;
    if (Over())
        return;
    m_restStretch = m_reading.newStretch();
    m_rest = std::make_unique<XmlStretchReader>(*m_restStretch, m_reading.cutAfter, false);
    if (!m_openTags.isEmpty())
        FeedRest(m_openTags);
    const QByteArray pending = std::exchange(m_pending, QByteArray());
    for (qsizetype at = 0; at < pending.size() && !Over(); at += kPieceSize)
        FeedRest(pending.mid(at, kPieceSize));
}

void PartReader::FeedRest(const QByteArray &bytes) {
    m_rest->Feed(bytes);
    if (const WorkbookFault fault = m_restStretch->Merge(); fault != WorkbookFault::None)
        m_fault = fault;
    else if (m_rest->Fault() != WorkbookFault::None)
        m_fault = m_rest->Fault();
    else if (m_rest->Ended())
        m_ended = true;
}

WorkbookFault PartReader::Finish(WorkbookFault zipFault) {
    if (!Over() && m_phase != Phase::Rest)
        ReadRestWhole();
    if (m_fault != WorkbookFault::None)
        return m_fault;
    if (zipFault != WorkbookFault::None)
        return zipFault;
    // A part that ends before its XML does was cut short.
    return m_ended ? WorkbookFault::None : WorkbookFault::Damaged;
}
} // namespace

WorkbookFault ReadXmlPart(XlsxPackage &zip, const QString &part, const XmlPartReading &reading,
                          const std::function<bool()> &stopAsked) {
    PartReader reader(reading);
    bool stopped = false;
    const WorkbookFault zipFault = zip.StreamPart(part, [&](QByteArrayView piece) {
        if (stopAsked()) {
            stopped = true;
            return false;
        }
        return reader.Take(piece);
    });
    if (stopped)
        return WorkbookFault::Stopped;
    return reader.Finish(zipFault);
}

qsizetype XmlStretchBytes::Bytes() {
    return g_stretchBytes.load();
}

void XmlStretchBytes::Set(qsizetype bytes) {
    g_stretchBytes = bytes;
}

void XmlStretchBytes::Reset() {
    g_stretchBytes = kDefault;
}
