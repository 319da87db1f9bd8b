#pragma once
// The save and open file dialogs of the parameter-file commands, behind a seam so that tests
// can answer them. A dialog's state (title, filter, filter index, file name) lives in the
// window, like a dialog component's properties, and is handed to Execute at each use.
#include <QString>

class QWidget;

struct TFileDialog
{
    enum Kind { Save, Open };
    Kind kind = Open;
    QString Title;
    // Pairs of description and pattern separated by '|': "Text files|*.txt|All|*.*".
    QString Filter;
    int FilterIndex = 1; // 1-based, as the filter's pairs are counted
    QString FileName;    // in: proposed; out: chosen (with its folder)

    static TFileDialog Make(Kind kind, const QString &filter)
    {
        TFileDialog dialog;
        dialog.kind = kind;
        dialog.Filter = filter;
        return dialog;
    }
};

class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // Runs the dialog modally. Returns false when the user cancels; otherwise true with
    // dialog.FileName set to the chosen file. Neither kind asks before overwriting, adds an
    // extension or insists that the file exists.
    virtual bool Execute(TFileDialog &dialog, QWidget *parent) = 0;
};

// The toolkit's own dialogs.
class QtFileDialogs : public FileDialogs
{
public:
    bool Execute(TFileDialog &dialog, QWidget *parent) override;
};
