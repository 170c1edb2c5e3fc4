#pragma once

#include <QByteArrayView>
#include <QString>

// GB18030 (and its subsets GBK and GB2312) to text: how the number-segment
// services of mainland China write their answers. On Linux Qt converts it
// (through ICU); Qt for Windows is built without ICU, so there the system's
// own converter does it: code page 54936, or 936 (GBK) on systems without
// 54936, such as wine. Bytes that are not such text become U+FFFD.
QString DecodeGbText(QByteArrayView bytes);

// Whether a charset name (as in a Content-Type header) means that text,
// whatever its spelling: "GBK", "gb2312", "GB18030", "cp936", …
bool IsGbCharset(QByteArrayView name);
