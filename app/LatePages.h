#pragma once
// The pages of the main window that are built after its first paint: one per turn of the event
// loop, in the order they were added, or at once when one is shown or asked for before its turn.
// The window comes up with only the page it shows at start; the rest is built while the user
// looks at it, so that whatever the user does meanwhile waits for one page at most.
//
// GUI thread only.
#include <QObject>
#include <functional>
#include <vector>

class QWidget;

class LatePages : public QObject
{
public:
    // Starts building after window's first paint.
    explicit LatePages(QWidget &window);

    // Adds a page to build later: build fills sheet with its controls.
    void Add(QWidget *sheet, std::function<void()> build);
    // Builds the page of sheet now, when it is not built yet; nothing for any other sheet.
    void Build(QWidget *sheet);
    // Builds every page that is not built yet.
    void BuildAll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildNextLater();

    struct Page
    {
        QWidget *sheet;
        std::function<void()> build;
    };
    std::vector<Page> Unbuilt;
};
