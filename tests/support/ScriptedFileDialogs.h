#pragma once
// Answers the file dialogs from a script: each Execute takes the next answer (a file name, or
// an empty optional for Cancel) and records the dialog as it was shown. A user who also picks a
// filter is scripted in Filters (1-based, as the dialog counts them), one per accepted answer.
#include "app/FileDialogs.h"

#include <QList>
#include <deque>
#include <optional>

class ScriptedFileDialogs : public FileDialogs
{
public:
    bool Execute(TFileDialog &dialog, QWidget *) override
    {
        Shown.append(dialog);
        if (Answers.empty())
            return false;
        const std::optional<QString> answer = Answers.front();
        Answers.pop_front();
        if (!answer)
            return false;
        dialog.FileName = *answer;
        if (!Filters.empty()) {
            dialog.FilterIndex = Filters.front();
            Filters.pop_front();
        }
        return true;
    }

    std::deque<std::optional<QString>> Answers;
    std::deque<int> Filters;
    QList<TFileDialog> Shown;
};
