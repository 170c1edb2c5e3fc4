#include "lookup/singlequery.h"

#include "base/mobilenumber.h"
#include "lookup/lookupclient.h"
#include "lookup/numerictext.h"
#include "mainwindow/commandcontext.h"
#include "mainwindow/resultlistmodel.h"

void RunSingleQuery(const CommandContext &ctx) {
    // The numeric test comes first: a text that is both wrong in kind and
    // in length is told about its characters.
    if (!IsNumericText(ctx.singlePhoneText())) {
        ctx.prompt(QStringLiteral("请不要输入非法字符！"));
        return;
    }
    if (ctx.singlePhoneText().size() != kMobileNumberLength) {
        ctx.prompt(QStringLiteral("请输入11位有效手机号码！"));
        return;
    }

    ctx.setFrame1Caption(QStringLiteral("正在查询请稍后……"));
    ctx.lv->Clear();

    const LookupAnswer answer = ctx.Inet1->QueryLocation(ctx.singlePhoneText());
    if (answer.transferFailed()) {
        // Not the number's fault: say so rather than blame the input.
        ctx.prompt(QStringLiteral("网络连接失败，请检查网络后重试！"));
        return;
    }
    if (!answer.accepted()) {
        ctx.prompt(QStringLiteral("号码输入有误，请输入11位手机号！"));
        return;
    }

    const int row = ctx.lv->Add(QStringLiteral("1"));
    ctx.lv->SetNumber(row, ctx.singlePhoneText());
    ctx.lv->SetLocation(row, LocationText(answer));
    // The caption joins province and carrier without the blank of the cell.
    ctx.setFrame1Caption(QStringLiteral("查询成功，归属地为") + answer.province + answer.carrier);
    ctx.Inet1->CancelTransfer();
}
