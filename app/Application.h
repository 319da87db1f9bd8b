#pragma once
// The application object: a QApplication whose event delivery catches every error that an
// event handler lets escape and shows it with the standard exception report, so that one
// failing action never takes the whole editor down.
#include <QApplication>

class TApplication : public QApplication
{
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
