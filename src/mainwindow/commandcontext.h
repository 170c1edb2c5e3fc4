#pragma once

#include <QString>

#include <functional>

class LookupClient;
class ResultListModel;

// What the commands of the main window work with: its controls' state, seen
// without widgets so that each command can be read and tested on its own.
// The main window fills this in with its own controls.
struct CommandContext {
    ResultListModel *lv = nullptr;                         // the result list
    LookupClient *Inet1 = nullptr;                         // the one transfer component
    std::function<QString()> singlePhoneText;              // text of SinglePhone
    std::function<void(const QString &)> setFrame1Caption; // status line of the single query
    std::function<void(const QString &)> setFrame2Caption; // status line of import and batch
    std::function<QString()> fileNameText;                 // text of FileName
    std::function<void(const QString &)> setFileNameText;
    std::function<QString()> chooseNumberFile;   // the Open dialog; "" on cancel
    std::function<void(const QString &)> prompt; // a message box
};
