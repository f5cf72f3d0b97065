#pragma once

#include "qt/message_boxes.h"

#include <QString>

#include <vector>

// Records every message box instead of showing it; each is "answered" OK.
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

    std::vector<Shown> shown;
};
