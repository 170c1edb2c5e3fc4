#pragma once

#include <QString>
#include <QStringList>

// The names of a workbook's sheets, made from the names wanted for them
// (provinces, which come from the service's answers) so that Excel takes
// them: at most 31 characters; none of : \ / ? * [ ], which stand in their
// full-width forms instead (：＼／？＊［］), nor characters that an XML file
// cannot hold; no apostrophe at either end; not "History", which Excel
// keeps for itself; not empty ("未知" stands in); and each unlike every
// other, letter case aside, as Excel compares them: a name already taken
// gets " (2)", " (3)" … after it, as Excel names a copy of a sheet.
class SheetNames {
public:
    // The name for a sheet wanted as `wanted`; from then on it is taken.
    QString Take(const QString &wanted);
    // The name for the next sheet of rows that go on from the sheet named
    // `first`: "广东 (2)", "广东 (3)" …
    QString TakeNext(const QString &first, int sheet);

    static constexpr int kMaxLength = 31;

private:
    bool Taken(const QString &name) const;
    QString TakeFree(const QString &base, int from);

    QStringList m_taken;
};
