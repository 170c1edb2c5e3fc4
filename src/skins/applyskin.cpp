#include "applyskin.h"

#include "narrowpath.h"
#include "programdirectory.h"
#include "skinengine.h"

#include <QByteArray>

namespace {
// Found at the first skin applied (the one the main window applies while it
// loads) and kept for the life of the process.
SkinEntry &Entry() {
    static SkinEntry entry = &SkinH_AttachEx;
    return entry;
}
} // namespace

void SkinEngine::SendCallsTo(SkinEntry entry) {
    Entry() = entry ? entry : &SkinH_AttachEx;
}

void SkinEngine::Reset() {
    Entry() = &SkinH_AttachEx;
}

void ApplySkin(const QString &fixedText) {
    // The fixed texts are written with backslashes; here "/" separates. Only
    // the fixed text is converted: the program directory is taken as it is,
    // and nothing is put between the two.
    QString place = fixedText;
    place.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QByteArray path = SkinPathBytes(ProgramDirectory() + place);
    const QByteArray extra = QString().toLocal8Bit();
    Entry()(path.constData(), extra.constData());
}

QByteArray SkinPathBytes(const QString &path) {
    // The engine is given something even then: it simply finds no skin.
    return NarrowPath(path).value_or(path.toLocal8Bit());
}
