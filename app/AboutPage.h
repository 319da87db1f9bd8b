#pragma once
// The "About..." page: the maker's emblem, the program's name and its revision, on the page's
// own grey. It shows nothing that changes and handles nothing.
class QFrame;
class QLabel;
class QWidget;

// The page's controls under their designer names; the main window inherits them too.
struct AboutControls
{
    QFrame *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label40 = nullptr; // "Torvane Interface"
    QLabel *Label7 = nullptr;  // credit line
    QLabel *Label39 = nullptr; // "Rev 1.0"
};

// Builds the page's controls on sheet.
AboutControls BuildAboutPage(QWidget *sheet);
