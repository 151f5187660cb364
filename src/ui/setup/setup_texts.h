#pragma once

#include <QString>
#include <cstddef>

// The setup's texts, with the platform's words for the computer and the IME put in.
namespace SetupTexts {

QString welcome();        // first setup: the application's name, then "へようこそ"
QString changingTitle();  // "同期に使うフォルダを変更"
QString lead();           // what the application does, and that two things are asked
QString folderStep();     // "同期に使うフォルダ"
QString folderNote();     // pick a cloud folder; a "Wordloom" folder is made in it
QString otherPlace();     // "ほかの場所…"
QString found();          // a place on this computer
QString notHere();        // a place not on this computer
QString notHereHelp(const QString& place);
QString panelMessage();  // the folder panel's message
QString panelPrompt();   // "選択"
QString startStep();     // "はじめの辞書"
QString fromThisComputer();
// The words and dictionaries of this computer's dictionary, the count grouped as in ja_JP.
QString thisComputerHolds(std::size_t words, std::size_t dictionaries);
QString folderAlreadyHolds();  // why starting from this computer is off
QString fromFolder();
QString fromFolderNone();  // the folder holds no dictionary yet
QString fromFolderHolds(std::size_t dictionaries);
QString folderHoldsNone();  // why starting from the folder is off
QString autoSync();
QString safety();
QString cancel();
QString preparing();
QString change();
QString begin();

}  // namespace SetupTexts
