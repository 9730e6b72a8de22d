// A coloured button looks different once disabled.

#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <map>
#include <set>

#include "support/qtapp.h"
#include "widgets/gridview.h"

namespace {

// The colours of the caption's pixels (everything but the most common one,
// the face of the button).
std::set<QRgb> captionColours(QPushButton* b) {
    QImage img = b->grab().toImage();
    std::map<QRgb, int> count;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) ++count[img.pixel(x, y)];
    std::set<QRgb> out;
    for (const auto& [rgb, n] : count)
        if (qRed(rgb) < 100 && qGreen(rgb) < 100 && qBlue(rgb) > 100) out.insert(rgb);
    return out;
}

TEST(NavyButton, DisabledCaptionIsNoLongerNavy) {
    td::test::qtApp();
    QWidget parent;
    QPushButton* b = td::navyButton(&parent, "bbTest", "WWWWWWWW", "");
    b->resize(160, 30);
    parent.show();
    EXPECT_FALSE(captionColours(b).empty()) << "an enabled caption is navy";
    b->setEnabled(false);
    EXPECT_TRUE(captionColours(b).empty()) << "a disabled caption is grey";
}

}  // namespace
