#pragma once

#include "qt/backup/folder_picker.h"

#include <QString>

// Answers the folder picker in place of a person: each call returns
// nextAnswer (empty: the user cancelled) and records who asked.
class ScriptedFolderPicker final : public rv::backup::FolderPicker {
public:
    QString chooseFolder(QWidget* owner) override
    {
        ++calls;
        lastOwner = owner;
        return nextAnswer;
    }

    QString nextAnswer;
    int calls = 0;
    QWidget* lastOwner = nullptr;
};
