#include "singlequery.h"

#include "commandview.h"
#include "lookupclient.h"
#include "numerictext.h"
#include "resultlistmodel.h"
#include "rowanswer.h"

void RunSingleQuery(CommandView &view, LookupClient &Inet1) {
    ResultListModel &lv = view.ResultList();
    // The number as it stood when the query was asked for: the box may be
    // typed into while the answer is awaited.
    const QString number = view.SinglePhoneText();
    // The numeric test comes first: a text that is both wrong in kind and
    // in length is told about its characters.
    if (!IsNumericText(number)) {
        view.Prompt(QStringLiteral("请不要输入非法字符！"));
        return;
    }
    if (!IsMobileNumber(number)) {
        view.Prompt(QStringLiteral("请输入11位有效手机号码！"));
        return;
    }

    view.SetFrame1Caption(QStringLiteral("正在查询请稍后……"));
    lv.Clear();

    const LookupAnswer answer = Inet1.QueryLocation(number, view.Waiter());
    if (answer.Stopped()) {
        view.SetFrame1Caption(QStringLiteral("查询已停止"));
        return;
    }
    if (answer.TransferFailed()) {
        // Not the number's fault: say so rather than blame the input.
        view.Prompt(QStringLiteral("网络连接失败，请检查网络后重试！"));
        return;
    }
    if (!answer.accepted()) {
        view.Prompt(QStringLiteral("号码输入有误，请输入11位手机号！"));
        return;
    }

    const int row = lv.Add(QStringLiteral("1"));
    lv.SetNumber(row, number);
    lv.SetLocation(row, LocationText(answer), RowAnswerOf(answer));
    // The caption joins province and carrier without the blank of the cell.
    view.SetFrame1Caption(QStringLiteral("查询成功，归属地为") + answer.province + answer.carrier);
    Inet1.CancelTransfer();
}
