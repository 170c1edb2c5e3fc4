#include "clearlist.h"

#include "commandview.h"
#include "resultlistmodel.h"

void ClearList(CommandView &view) {
    view.SetFrame2Caption(QString());
    view.ResultList().Clear();
}
