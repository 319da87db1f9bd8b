// Program entry: the preset bank first, then the application and its windows, the message
// loop, and the bank last.
#include "app/Application.h"
#include "app/Core_main.h"
#include "app/ExceptionReport.h"
#include "app/MessageBoxes.h"
#include "app/PresetBank.h"

#include <memory>
#include <new>

int main(int argc, char **argv)
{
    std::unique_ptr<TPresetBank> bank;
    try {
        bank = std::make_unique<TPresetBank>();
    } catch (const std::bad_alloc &) {
        TApplication app(argc, argv);
        ShowMessage({"Alloc Memory Parametres", "Fatal Error", QMessageBox::NoIcon,
                     QMessageBox::Ok | QMessageBox::Cancel});
        return 1; // the bank has no memory for the presets: nothing could be kept
    }
    PresetBank = bank.get();

    TApplication app(argc, argv);
    int result = 0;
    try {
        auto form1 = std::make_unique<TForm1>();
        Form1 = form1.get();
        Form1->show();
        result = app.exec();
        Form1 = nullptr;
    } catch (const std::exception &error) {
        // A start-up that fails ends the program: say so with a non-zero exit code.
        ShowExceptionReport(error);
        result = 1;
    }
    PresetBank = nullptr;
    return result;
}
