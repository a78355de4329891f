// Checks the trainer's pictures by their pixels: sizes at two display ratios,
// the key pictures blending into the panel, only the lever moving between
// them, the knob under the key contact, the panel's rim, pointers and icons.

#include "artwork.h"
#include "artwork_key.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using namespace klavet::artwork;

const QColor kCyan(204, 255, 255);
const QColor kRim(0, 78, 152);

// The key contact, in the key pictures' coordinates: a 17-pixel-wide square
// at window (260, 88) over pictures placed at (64, 104).
constexpr int kContactLeft = 260 - 64;
constexpr int kContactRight = kContactLeft + 16;

QColor At(const QImage& image, int x, int y, qreal dpr) {
    return image.pixelColor(qRound(x * dpr), qRound(y * dpr));
}

bool IsDark(QColor c) { return c.alpha() > 200 && c.lightness() < 70; }

double Distance(QColor a, QColor b) {
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

class AtRatio : public ::testing::TestWithParam<qreal> {};

struct Picture {
    const char* name;
    std::function<QImage(qreal)> draw;
    QSize size;
};

TEST_P(AtRatio, EveryPictureHasItsLogicalSizeTimesTheRatio) {
    const qreal dpr = GetParam();
    const Picture pictures[] = {
        {"background", Background, {394, 298}}, {"key at rest", KeyAtRest, {245, 153}},
        {"key pressed", KeyPressed, {245, 153}}, {"sound icon", SoundIcon, {16, 16}},
        {"hand pointer", HandPointer, {32, 32}}, {"key pointer", KeyPointer, {32, 32}},
    };
    for (const Picture& picture : pictures) {
        const QImage image = picture.draw(dpr);
        EXPECT_EQ(image.size(), picture.size * dpr) << picture.name;
        EXPECT_EQ(image.devicePixelRatio(), dpr) << picture.name;
        EXPECT_EQ(image.deviceIndependentSize().toSize(), picture.size) << picture.name;
    }
}

TEST_P(AtRatio, KeyPicturesAreOpaqueAndPanelCyanWhereNothingIsDrawn) {
    const qreal dpr = GetParam();
    for (const QImage& image : {KeyAtRest(dpr), KeyPressed(dpr)}) {
        EXPECT_FALSE(image.hasAlphaChannel());
        const int w = image.width() - 1;
        const int h = image.height() - 1;
        EXPECT_EQ(image.pixelColor(0, 0), kCyan);
        EXPECT_EQ(image.pixelColor(w, 0), kCyan);
        EXPECT_EQ(image.pixelColor(0, h), kCyan);
        EXPECT_EQ(image.pixelColor(w, h), kCyan);
    }
}

TEST_P(AtRatio, KeyStaysInsideTheColumnsThePictureBoxShows) {
    const qreal dpr = GetParam();
    for (const QImage& image : {KeyAtRest(dpr), KeyPressed(dpr)}) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = qRound(klavet::artwork::key::kShownWidth * dpr); x < image.width(); ++x) {
                ASSERT_EQ(image.pixelColor(x, y), kCyan) << "at " << x << ", " << y;
            }
        }
    }
}

TEST_P(AtRatio, PressingMovesOnlyTheLever) {
    const qreal dpr = GetParam();
    const QImage rest = KeyAtRest(dpr);
    const QImage pressed = KeyPressed(dpr);
    const QRectF lever = key::kLeverBounds;
    int changed = 0;
    int changedNearKnob = 0;
    for (int y = 0; y < rest.height(); ++y) {
        for (int x = 0; x < rest.width(); ++x) {
            if (rest.pixel(x, y) == pressed.pixel(x, y)) {
                continue;
            }
            ++changed;
            const QPointF at((x + 0.5) / dpr, (y + 0.5) / dpr);
            ASSERT_TRUE(lever.contains(at)) << "changed outside the lever at " << at.x() << ", " << at.y();
            ASSERT_LT(at.y(), key::kBaseTop) << "the base or a post changed";
            changedNearKnob += at.x() >= kContactLeft && at.x() <= kContactRight;
        }
    }
    EXPECT_GT(changed, 500 * dpr * dpr);
    EXPECT_GT(changedNearKnob, 100 * dpr * dpr);
}

// Whether the panel cyan shows anywhere in a column between two rows.
bool CyanBetween(const QImage& image, int x, int fromY, int toY, qreal dpr) {
    for (int y = fromY; y <= toY; ++y) {
        if (At(image, x, y, dpr) == kCyan) {
            return true;
        }
    }
    return false;
}

TEST_P(AtRatio, ContactIsOpenAtRestAndClosedWhenPressed) {
    const qreal dpr = GetParam();
    const int x = qRound(key::kContactX);
    EXPECT_TRUE(CyanBetween(KeyAtRest(dpr), x, 58, 95, dpr));
    EXPECT_FALSE(CyanBetween(KeyPressed(dpr), x, 58, 95, dpr));
}

// The topmost row with knob-black pixels, and the span of black in a row.
int KnobTopRow(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (IsDark(image.pixelColor(x, y))) {
                return y;
            }
        }
    }
    return -1;
}

std::pair<int, int> DarkSpan(const QImage& image, int y) {
    int left = image.width();
    int right = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (IsDark(image.pixelColor(x, y))) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    return {left, right};
}

TEST_P(AtRatio, KnobSitsRightUnderTheKeyContact) {
    const qreal dpr = GetParam();
    const QImage rest = KeyAtRest(dpr);
    const int top = KnobTopRow(rest);
    ASSERT_GE(top, 0);
    EXPECT_GE(top / dpr, 3);
    EXPECT_LE(top / dpr, 20);
    const auto [left, right] = DarkSpan(rest, top + qRound(1 * dpr));
    const qreal centre = (left + right + 1) / 2.0 / dpr;
    EXPECT_GE(centre, kContactLeft + 4);
    EXPECT_LE(centre, kContactRight - 4);
    // A few rows lower the knob is wider than the contact: the contact is
    // over the knob all along its width.
    const auto [discLeft, discRight] = DarkSpan(rest, top + qRound(8 * dpr));
    EXPECT_LE(discLeft / dpr, kContactLeft);
    EXPECT_GE(discRight / dpr, kContactRight);
}

TEST_P(AtRatio, PressedKnobIsLowerAndStillUnderTheContact) {
    const qreal dpr = GetParam();
    const int restTop = KnobTopRow(KeyAtRest(dpr));
    const QImage pressed = KeyPressed(dpr);
    const int pressedTop = KnobTopRow(pressed);
    EXPECT_GE((pressedTop - restTop) / dpr, 6);
    EXPECT_LE(pressedTop / dpr, 30);
    const auto [left, right] = DarkSpan(pressed, pressedTop + qRound(8 * dpr));
    EXPECT_LE(left / dpr, kContactLeft);
    EXPECT_GE(right / dpr, kContactRight);
}

TEST(KeyGeometry, KnobTopPointIsUnderTheContactInBothPoses) {
    for (qreal angle : {key::kRestAngle, key::kPressedAngle}) {
        const QPointF top = key::KnobTop(angle);
        EXPECT_GT(top.x(), kContactLeft + 2) << angle;
        EXPECT_LT(top.x(), kContactRight - 2) << angle;
        EXPECT_GT(top.y(), 1) << angle;
    }
    EXPECT_LT(key::KnobTop(key::kRestAngle).y(), key::KnobTop(key::kPressedAngle).y());
}

TEST_P(AtRatio, PanelIsCyanInsideAndDarkBlueAlongTheOutline) {
    const qreal dpr = GetParam();
    const QImage panel = Background(dpr);
    EXPECT_FALSE(panel.hasAlphaChannel());
    EXPECT_EQ(At(panel, 197, 149, dpr), kCyan);
    // Just inside the outline on each side, and just inside a rounded corner.
    for (const QPoint edge : {QPoint(197, 6), QPoint(197, 288), QPoint(6, 149), QPoint(388, 149),
                              QPoint(20, 20), QPoint(375, 275)}) {
        EXPECT_LT(Distance(At(panel, edge.x(), edge.y(), dpr), kRim), 60)
            << "at " << edge.x() << ", " << edge.y();
    }
    // The rim follows the rounded outline: 16 pixels in from a straight side
    // is the panel, but so far from the corner rectangle's tip is still rim.
    EXPECT_EQ(At(panel, 197, 21, dpr), kCyan);
    EXPECT_LT(Distance(At(panel, 22, 22, dpr), kRim), Distance(At(panel, 22, 22, dpr), kCyan));
}

TEST_P(AtRatio, PanelBehindTheKeyPicturesIsTheirCyan) {
    const qreal dpr = GetParam();
    const QImage panel = Background(dpr);
    for (int y = 104; y < 104 + 153; ++y) {
        for (int x = 64; x < 64 + 241; ++x) {
            ASSERT_EQ(At(panel, x, y, dpr), kCyan) << "at " << x << ", " << y;
        }
    }
}

TEST(PanelOutline, IsTheWindowsRoundedRectangle) {
    const QPainterPath outline = PanelOutline();
    EXPECT_EQ(outline.boundingRect(), QRectF(5, 5, 385, 285));
    EXPECT_TRUE(outline.contains(QPointF(197, 149)));
    EXPECT_TRUE(outline.contains(QPointF(50, 6)));
    EXPECT_FALSE(outline.contains(QPointF(8, 8)));
    EXPECT_FALSE(outline.contains(QPointF(387, 287)));
}

TEST_P(AtRatio, PointerHotSpotsAreOnTheDrawing) {
    const qreal dpr = GetParam();
    const QImage hand = HandPointer(dpr);
    const QImage keyHand = KeyPointer(dpr);
    EXPECT_GT(At(hand, kHandHotSpot.x(), kHandHotSpot.y(), dpr).alpha(), 200);
    EXPECT_GT(At(keyHand, kKeyHotSpot.x(), kKeyHotSpot.y(), dpr).alpha(), 200);
    // The hot spots are the tips: nothing of the key pointer lies further
    // left than its fingertip, and its top-left corner is see-through.
    for (int y = 0; y < keyHand.height(); ++y) {
        for (int x = 0; x < qRound((kKeyHotSpot.x() - 1) * dpr); ++x) {
            ASSERT_LT(keyHand.pixelColor(x, y).alpha(), 60) << "at " << x << ", " << y;
        }
    }
    EXPECT_EQ(At(hand, 31, 0, dpr).alpha(), 0);
    EXPECT_EQ(At(keyHand, 0, 0, dpr).alpha(), 0);
}

int Count(const QImage& image, const QRect& logical, qreal dpr, const std::function<bool(QColor)>& test) {
    int count = 0;
    for (int y = qRound(logical.top() * dpr); y < qRound((logical.bottom() + 1) * dpr); ++y) {
        for (int x = qRound(logical.left() * dpr); x < qRound((logical.right() + 1) * dpr); ++x) {
            count += test(image.pixelColor(x, y));
        }
    }
    return count;
}

TEST_P(AtRatio, HandPointerIsWhiteWithABlackOutline) {
    const qreal dpr = GetParam();
    const QImage hand = HandPointer(dpr);
    const QRect all(0, 0, 32, 32);
    const int white = Count(hand, all, dpr, [](QColor c) { return c.alpha() == 255 && c.lightness() > 240; });
    const int black = Count(hand, all, dpr, [](QColor c) { return c.alpha() > 200 && c.lightness() < 40; });
    EXPECT_GT(white, 150 * dpr * dpr);
    EXPECT_GT(black, 40 * dpr * dpr);
}

TEST_P(AtRatio, KeyPointerHasABlueCuffOnTheRight) {
    const qreal dpr = GetParam();
    const QImage keyHand = KeyPointer(dpr);
    const auto blue = [](QColor c) { return c.alpha() > 200 && c.blue() > c.red() + 80; };
    EXPECT_GT(Count(keyHand, QRect(24, 10, 6, 15), dpr, blue), 60 * dpr * dpr);
    EXPECT_EQ(Count(keyHand, QRect(0, 0, 20, 32), dpr, blue), 0);
}

TEST_P(AtRatio, SoundIconIsALoudspeakerAndANoteOnNothing) {
    const qreal dpr = GetParam();
    const QImage icon = SoundIcon(dpr);
    EXPECT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(At(icon, 0, 0, dpr).alpha(), 0);
    EXPECT_EQ(At(icon, 15, 15, dpr).alpha(), 0);
    const auto navy = [](QColor c) { return c.alpha() == 255 && c.red() < 30 && c.green() < 30 && c.blue() > 90 && c.blue() < 170; };
    const auto blue = [](QColor c) { return c.alpha() == 255 && c.red() < 40 && c.blue() > 220; };
    EXPECT_GT(Count(icon, QRect(0, 0, 9, 16), dpr, navy), 30 * dpr * dpr);
    EXPECT_GT(Count(icon, QRect(9, 0, 7, 16), dpr, blue), 12 * dpr * dpr);
    EXPECT_EQ(Count(icon, QRect(9, 0, 7, 16), dpr, navy), 0);
}

INSTANTIATE_TEST_SUITE_P(Ratios, AtRatio, ::testing::Values(1.0, 2.0),
                         [](const auto& info) { return info.param == 1.0 ? "dpr1" : "dpr2"; });

class IconSize : public ::testing::TestWithParam<int> {};

TEST_P(IconSize, IsASquareTileWithADarkKeySilhouette) {
    const int size = GetParam();
    const QImage icon = WindowIcon(size);
    ASSERT_EQ(icon.size(), QSize(size, size));
    EXPECT_EQ(icon.devicePixelRatio(), 1.0);
    EXPECT_LT(icon.pixelColor(0, 0).alpha(), 128);
    EXPECT_EQ(icon.pixelColor(size / 2, size / 2).alpha(), 255);
    const QRect lower(0, size * 5 / 8, size, size * 3 / 8);
    const int dark = Count(icon, lower, 1.0, IsDark);
    const int area = lower.width() * lower.height();
    EXPECT_GT(dark, area / 6);
    EXPECT_LT(dark, area * 2 / 3);
}

INSTANTIATE_TEST_SUITE_P(Sizes, IconSize, ::testing::Values(16, 24, 32, 48, 64, 128, 256, 512));

// From 32 pixels up the icon has room for the name.
class NamedIconSize : public ::testing::TestWithParam<int> {};

TEST_P(NamedIconSize, ShowsTheNameInLightLettersOnABandAboveTheKey) {
    const int size = GetParam();
    const QImage icon = WindowIcon(size);
    const QRect band(size / 8, size / 16, size * 3 / 4, size / 4);
    const int light = Count(icon, band, 1.0, [](QColor c) { return c.lightness() > 200; });
    const int rim = Count(icon, band, 1.0, [](QColor c) { return Distance(c, kRim) < 30; });
    const int dark = Count(icon, band, 1.0, IsDark);
    EXPECT_GT(light, band.width() * band.height() / 8);
    EXPECT_GT(rim, band.width() * band.height() / 4);
    EXPECT_EQ(dark, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, NamedIconSize, ::testing::Values(32, 48, 64, 128, 256, 512));

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
