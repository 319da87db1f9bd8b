#pragma once
// A one-line editor for a name or label, opened over the control it names (an output's
// selector, the preset buttons) and closed again: Enter or leaving it keeps the text, Esc drops
// it, and the focus goes back where it came from. It moves and resizes nothing: it lies on top
// of the page while it is open.
//
// GUI thread only. The editor deletes itself when it closes.
#include <QLineEdit>
#include <QPointer>
#include <functional>

class NameEditor : public QLineEdit
{
    Q_OBJECT

public:
    // Opens over area (in parent's coordinates) with text, and focuses it. keep receives the
    // tidied text (possibly empty: the name is cleared) unless the user escapes.
    static NameEditor *Open(QWidget *parent, const QRect &area, const QString &text,
                            const QString &accessibleName, std::function<void(QString)> keep);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    NameEditor(QWidget *parent, std::function<void(QString)> keep);
    void Finish(bool kept);

    std::function<void(QString)> Keep;
    QPointer<QWidget> CameFrom; // gets the focus back
    bool Finished = false;
};
