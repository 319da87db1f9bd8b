#include "app/ExceptionReport.h"
#include "support/MessageRecorder.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(ExceptionReport, FullStopOnlyAfterCharactersThatSortAfterIt)
{
    // clang-format off
    const std::pair<QString, QString> cases[] = {
        {"Invalid device ID", "Invalid device ID."},
        {"error 42", "error 42."},
        {"Already said.", "Already said."},
        {"Ends with a blank ", "Ends with a blank "},
        {"Ends with a comma,", "Ends with a comma,"},
        {"", ""},
    };
    // clang-format on
    for (const auto &[text, shown] : cases)
        EXPECT_EQ(ExceptionReportText(text), shown) << text.toStdString();
}

TEST(ExceptionReport, ErrorEscapingAHandlerIsShownAndTheApplicationGoesOn)
{
    MessageRecorder boxes;
    QPushButton button("go");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, [&clicks] {
        ++clicks;
        throw std::runtime_error("MIDI output Device Nowhere not installed");
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);

    EXPECT_EQ(clicks, 2) << "the application kept handling events after the first error";
    ASSERT_EQ(boxes.Messages.size(), 2);
    EXPECT_EQ(boxes.Messages[0].text, "MIDI output Device Nowhere not installed.");
    EXPECT_EQ(boxes.Messages[0].caption, QCoreApplication::applicationName());
    EXPECT_EQ(boxes.Messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes.Messages[0].buttons, QMessageBox::Ok);
}
