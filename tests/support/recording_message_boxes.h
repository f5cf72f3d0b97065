#pragma once

#include "qt/message_boxes.h"

#include <QString>

#include <vector>

// Records every message box instead of showing it; each is "answered" OK,
// and a question as the test says.
class RecordingMessageBoxes final : public rv::ui::MessageBoxes {
public:
    struct Shown {
        QString caption;
        QString text;
        Icon icon;
        bool hadOwner;
    };

    void showOk(QWidget* owner, const QString& caption, const QString& text, Icon icon) override
    {
        shown.push_back({caption, text, icon, owner != nullptr});
    }

    bool askYesNo(QWidget* owner, const QString& caption, const QString& text) override
    {
        asked.push_back({caption, text, Icon::Warning, owner != nullptr});
        return answerYes;
    }

    std::vector<Shown> shown;
    std::vector<Shown> asked;
    bool answerYes = false;
};
