#pragma once

#include <deque>
#include <optional>

#include "app/FileDialogs.h"

// File dialogs that answer with the names queued for them; an empty queue
// is the user cancelling.
class CSoakDialogs : public IFileDialogs {
public:
    std::optional<QString> GetOpenFileName(QWidget*) override { return Next(); }
    std::optional<QString> GetSaveFileName(QWidget*, const QString&) override { return Next(); }

    std::deque<QString> answers;

private:
    std::optional<QString> Next() {
        if (answers.empty()) {
            return std::nullopt;
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
