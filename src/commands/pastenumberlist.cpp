#include "pastenumberlist.h"

#include "commandview.h"
#include "importedrows.h"
#include "resultlistmodel.h"

void PasteNumberList(CommandView &view) {
    view.ResultList().Clear();
    view.SetFrame2Caption(QStringLiteral("正在导入手机号码，请稍后……"));
    const QString text = view.ClipboardText();
    ShowImportedNumbers(view,
                        ReadNumberListText(text, NumberLines::FirstNumberCell, IsImportedNumber));
}
