#pragma once
// Every modal message box of the editor goes through ShowMessage, so that tests can answer
// and record the boxes instead of blocking on them. The answer of a box is never used, but for
// the one question the editor asks (AskQuestion).
#include <QMessageBox>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

struct MessageRequest
{
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// A question: its buttons, with texts of their own, and a "Do not ask again" box.
struct QuestionRequest
{
    MessageRequest message;
    std::vector<std::pair<QMessageBox::StandardButton, QString>> buttonTexts;
    QMessageBox::StandardButton escape = QMessageBox::Cancel;
    // The answer while the boxes are recorded rather than shown (SetMessageSink): the one that
    // lets the program go on as if the question had not come up.
    QMessageBox::StandardButton unattended = QMessageBox::Cancel;
};
struct QuestionAnswer
{
    QMessageBox::StandardButton button = QMessageBox::NoButton;
    bool dontAskAgain = false;
};
using QuestionSink = std::function<QuestionAnswer(const QuestionRequest &)>;

using MessageSink = std::function<void(const MessageRequest &)>;

// Shows a modal box parented to the active window (or records it, see SetMessageSink).
void ShowMessage(const MessageRequest &request);

// The error box used by the editor's own fixed failures: the text, the caption, the error
// icon and an OK button.
void ShowErrorBox(const QString &text, const QString &caption);

// Asks modally (or tells the question sink, or records the question with the message sink
// and takes its unattended answer).
QuestionAnswer AskQuestion(const QuestionRequest &request);

// Replaces where messages go; an empty sink restores the real modal boxes.
// Returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);
// The same for questions: a sink answers them.
QuestionSink SetQuestionSink(QuestionSink sink);
