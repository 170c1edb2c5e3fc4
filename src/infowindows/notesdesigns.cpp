#include "notesdesigns.h"

NotesDesign UsageNotesDesign() {
    return {
        QStringLiteral("ShuoMing"),
        QStringLiteral("使用说明"),
        3975,
        3105,
        2775,
        {
            {QStringLiteral("Label1"), 240, 495,
             QStringLiteral("  首先非常感谢你使用本软件，希望本软件能给你带来一份愉悦的心情。")},
            {QStringLiteral("Label2"), 720, 975,
             QStringLiteral(
                 "  本软件依靠网络进行归属地信息查询，使用前请保证网络畅通。查询速度取决于"
                 "你的网速，对于此本人表示抱歉，因为本软件是利用网路数据接口进行信息查询，"
                 "支持最新的号码段，摒弃了离线版的失效性。")},
            {QStringLiteral("Label3"), 1800, 855,
             QStringLiteral(
                 "  本软件适合单条手机号的查询，也适合批量查询，支持文本导入。使用批量查询"
                 "功能时请将要查询的号码按每行一条的形式保存进TXT文本，然后导入即可。")},
        },
    };
}

NotesDesign AttentionDesign() {
    return {
        QStringLiteral("ZhuYi"),
        QStringLiteral("注意事项"),
        3975,
        3330,
        3015,
        {
            {QStringLiteral("Label1"), 240, 735,
             QStringLiteral(
                 "  使用批量查询时建议一次性处理的数据在1万条以下，这样也会减少你等待的时间，"
                 "同时建议你可以批量打开本软件进行查询操作。")},
            {QStringLiteral("Label2"), 1080, 735,
             QStringLiteral("  软件在批量查询时会实时的把查询结果保存在软件目录下的 tarvio.txt "
                            "文件中，如果你没有及时保存，Don't worry !")},
            {QStringLiteral("Label3"), 1800, 615,
             QStringLiteral(
                 "  软件尽可能的考虑到了各种意外情况，如果在使用过程中存在问题或是有好的建议，"
                 "可以随时联系作者。")},
            {QStringLiteral("Label4"), 2520, 375,
             QStringLiteral(
                 "  时间关系，本软件仅进行到此，后续会继续改进，提高效率和数据支持量。")},
        },
    };
}
