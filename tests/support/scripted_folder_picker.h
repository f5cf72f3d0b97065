#pragma once

#include "qt/backup/folder_picker.h"

#include <QString>

#include <functional>

// Answers the folder picker in place of a person: each call returns
// nextAnswer (empty: the user cancelled) and records who asked. whileOpen,
// if set, runs as if while the dialog were open.
class ScriptedFolderPicker final : public rv::backup::FolderPicker {
public:
    QString chooseFolder(QWidget* owner) override
    {
        ++calls;
        lastOwner = owner;
        if (whileOpen) {
            whileOpen();
        }
        return nextAnswer;
    }

    QString nextAnswer;
    std::function<void()> whileOpen;
    int calls = 0;
    QWidget* lastOwner = nullptr;
};
