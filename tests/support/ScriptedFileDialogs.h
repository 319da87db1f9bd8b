#pragma once
// Answers the file dialogs from a script: each Execute takes the next answer (a file name, or
// an empty optional for Cancel) and records the dialog as it was shown.
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
        return true;
    }

    std::deque<std::optional<QString>> Answers;
    QList<TFileDialog> Shown;
};
