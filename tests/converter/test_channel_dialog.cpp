// The channel dialog's buttons carry the style's standard icons by the time the dialog is on
// screen (they are fetched at its first showing, not at start-up).
#include "converter/Channel.h"

#include <QImage>
#include <QPushButton>
#include <QStyle>
#include <gtest/gtest.h>

namespace {

QImage Picture(const QIcon &icon)
{
    return icon.pixmap(16, 16).toImage();
}

TEST(ChannelDialog, ButtonsShowTheStandardIconsWhenShownAndKeepThemWhenShownAgain)
{
    TForm10 dialog;
    for (int showing = 0; showing < 2; ++showing) {
        dialog.show();
        ASSERT_FALSE(dialog.BitBtnOk->icon().isNull());
        EXPECT_EQ(Picture(dialog.BitBtnOk->icon()),
                  Picture(dialog.style()->standardIcon(QStyle::SP_DialogOkButton)));
        EXPECT_EQ(Picture(dialog.BitBtnCancel->icon()),
                  Picture(dialog.style()->standardIcon(QStyle::SP_DialogCancelButton)));
        dialog.hide();
    }
}

} // namespace
