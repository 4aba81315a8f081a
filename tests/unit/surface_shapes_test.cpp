// Anti-aliased shapes: the classification thresholds, supersampled coverage, groups and
// polylines.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "surface_fixture.h"

using namespace surface_test;

namespace {

const ZColour kWhite = {255, 255, 255, 255};

// A group that is not a plain ZShapeGroup, so the surface fills it through the virtual
// classify and contains of the shape, pixel by pixel, with no shortcut.
class PlainGroup : public ZShapeGroup {};

// A member that answers "inside" everywhere but has small bounds.
class EverywhereShape : public ZShape {
public:
    EverywhereShape(int x0, int y0, int x1, int y1) { setBounds(ZBounds{x0, y0, x1, y1}); }
    int classify(int32_t, int32_t) const override { return kInside; }
    bool contains(double, double) const override { return true; }
};

class NoBoundsShape : public ZShape {
public:
    int classify(int32_t, int32_t) const override { return kInside; }
    bool contains(double, double) const override { return true; }
};

}  // namespace

TEST(SurfaceShapes, DiscBoundsAndClassesFollowTheHalfDiagonalThresholds)
{
    ZBounds b;
    ZDiscShape disc(5.5, 5.5, 1.0);
    ASSERT_TRUE(disc.bounds(b));
    EXPECT_EQ(b.x0, 4);
    EXPECT_EQ(b.y0, 4);
    EXPECT_EQ(b.x1, 7);
    EXPECT_EQ(b.y1, 7);
    EXPECT_EQ(disc.classify(5, 5), ZShape::kInside);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0) {
                EXPECT_EQ(disc.classify(5 + dx, 5 + dy), ZShape::kEdge) << dx << "," << dy;
            }
    EXPECT_EQ(disc.classify(7, 5), ZShape::kOutside);
    EXPECT_TRUE(disc.contains(6.5, 5.5));  // exactly on the circle
    EXPECT_FALSE(disc.contains(6.51, 5.5));

    // Bounds truncate toward zero, also below zero.
    ZDiscShape left(-2.5, 0.0, 1.0);
    ASSERT_TRUE(left.bounds(b));
    EXPECT_EQ(b.x0, -3);
    EXPECT_EQ(b.x1, -0);  // trunc(-0.5)
    EXPECT_EQ(b.y0, -1);
    EXPECT_EQ(b.y1, 2);

    // Not-finite input leaves the shape empty rather than undefined.
    EXPECT_FALSE(ZDiscShape(std::nan(""), 1.0, 2.0).bounds(b));
    EXPECT_FALSE(ZSegmentShape(0, 0, INFINITY, 1, 2).bounds(b));
}

TEST(SurfaceShapes, SegmentDistanceUsesRoundEnds)
{
    ZSegmentShape seg(2.0, 5.0, 10.0, 5.0, 2.0);  // half width 1
    ZBounds b;
    ASSERT_TRUE(seg.bounds(b));
    EXPECT_EQ(b.x0, 1);
    EXPECT_EQ(b.y0, 4);
    EXPECT_EQ(b.x1, 12);
    EXPECT_EQ(b.y1, 7);
    EXPECT_TRUE(seg.contains(6.0, 6.0));  // at distance 1 beside the middle
    EXPECT_FALSE(seg.contains(6.0, 6.01));
    EXPECT_TRUE(seg.contains(10.7, 5.7));  // inside the round end: 0.98
    EXPECT_FALSE(seg.contains(10.8, 5.7));  // just outside it: 1.13
    EXPECT_TRUE(seg.contains(1.0, 5.0));  // tip of the start cap
    EXPECT_EQ(seg.classify(6, 4), ZShape::kEdge);  // centre (6.5, 4.5) at distance 0.5
    EXPECT_EQ(seg.classify(6, 2), ZShape::kOutside);  // distance 2.5
    ZSegmentShape wide(0.0, 0.0, 0.0, 0.0, 6.0);  // a zero-length segment is a disc
    EXPECT_EQ(wide.classify(0, 0), ZShape::kInside);
    EXPECT_TRUE(wide.contains(3.0, 0.0));
    EXPECT_FALSE(wide.contains(2.2, 2.2));
}

TEST(SurfaceShapes, GroupAsksOnlyMembersWhoseBoundsHoldThePixel)
{
    ZShapeGroup group;
    ZBounds b;
    EXPECT_FALSE(group.bounds(b));
    EXPECT_TRUE(group.add(new NoBoundsShape));  // kept, but adds no bounds and never answers
    EXPECT_FALSE(group.bounds(b));
    EXPECT_TRUE(group.add(new EverywhereShape(2, 2, 4, 4)));
    EXPECT_TRUE(group.add(new ZDiscShape(10.0, 10.0, 2.0)));
    EXPECT_FALSE(group.add(nullptr));
    EXPECT_EQ(group.count(), 3);
    ASSERT_TRUE(group.bounds(b));
    EXPECT_EQ(b.x0, 2);
    EXPECT_EQ(b.y0, 2);
    EXPECT_EQ(b.x1, 13);
    EXPECT_EQ(b.y1, 13);
    EXPECT_EQ(group.classify(3, 3), ZShape::kInside);
    EXPECT_EQ(group.classify(4, 4), ZShape::kOutside);
    EXPECT_EQ(group.classify(9, 10), ZShape::kInside);
    EXPECT_EQ(group.classify(8, 8), ZShape::kEdge);
    EXPECT_TRUE(group.contains(3.9, 2.0));
    EXPECT_FALSE(group.contains(4.0, 3.0));

    // Growing past the first 32 members keeps every member.
    ZShapeGroup many;
    for (int i = 0; i < 70; ++i) ASSERT_TRUE(many.add(new ZDiscShape(i * 3.0, 0.0, 1.0)));
    EXPECT_EQ(many.count(), 70);
    EXPECT_EQ(many.classify(207, -1), ZShape::kEdge);
}

TEST(SurfaceShapes, DiscOfRadiusOneCoversItsPixelAndPartOfTheNeighbours)
{
    auto s = makeSurface(12, 12);
    ASSERT_TRUE(s);
    s->fillDisc(kWhite, 5.5, 5.5, 1.0);
    EXPECT_EQ(at(*s, 5, 5), 0xFFFFFFu);
    // Side neighbours: 8 of 16 samples inside; corners: 1 of 16 (255 x 1/16 = 15.9).
    EXPECT_EQ(at(*s, 6, 5), 0x7F7F7Fu);
    EXPECT_EQ(at(*s, 4, 5), 0x7F7F7Fu);
    EXPECT_EQ(at(*s, 5, 4), 0x7F7F7Fu);
    EXPECT_EQ(at(*s, 5, 6), 0x7F7F7Fu);
    EXPECT_EQ(at(*s, 6, 6), 0x0F0F0Fu);
    EXPECT_EQ(at(*s, 4, 4), 0x0F0F0Fu);
    int touched = 0;
    for (int i = 0; i < 144; ++i) touched += s->pixels()[i] != 0;
    EXPECT_EQ(touched, 9);
}

TEST(SurfaceShapes, FillCutsFarEdgesAtTheClipAndNearEdgesAtTheSurface)
{
    auto s = makeSurface(20, 20);
    ASSERT_TRUE(s);
    s->setClip(6, 6, 4, 4);
    s->fillDisc(kWhite, 0.0, 0.0, 5.0);  // local (0, 0) is surface (6, 6)
    EXPECT_EQ(at(*s, 6, 6), 0xFFFFFFu);
    EXPECT_EQ(at(*s, 3, 6), 0xFFFFFFu) << "left of the clip, inside the disc: drawn";
    EXPECT_EQ(at(*s, 10, 6), 0u) << "right of the clip: cut";
    EXPECT_EQ(at(*s, 6, 10), 0u) << "below the clip: cut";
    s->resetClip();
    s->setClip(0, 0, 20, 20);
    fillAll(*s, 0);
    s->fillDisc(kWhite, 0.0, 0.0, 3.0);  // partly off the surface
    EXPECT_EQ(at(*s, 0, 0), 0xFFFFFFu);
}

TEST(SurfaceShapes, PolylineJointIsBlendedOnce)
{
    auto s = makeSurface(40, 30);
    ASSERT_TRUE(s);
    const ZColour half = {255, 255, 255, 128};
    const ZPointD vee[3] = {{5.0, 5.0}, {20.0, 25.0}, {35.0, 5.0}};
    s->drawPolyline(half, vee, 3);
    // Over black, a single blend gives at most 128; a doubly blended pixel would exceed it.
    uint32_t brightest = 0;
    for (int i = 0; i < 40 * 30; ++i) brightest = std::max(brightest, s->pixels()[i] & 0xFF);
    EXPECT_EQ(brightest, 128u);
    EXPECT_EQ(at(*s, 19, 24), 0x808080u) << "inside both segments at the joint, blended once";
}

TEST(SurfaceShapes, PolylineEdgeCases)
{
    auto s = makeSurface(10, 10);
    ASSERT_TRUE(s);
    s->drawPolyline(kWhite, nullptr, 3);
    const ZPointD one = {4.5, 4.5};
    s->drawPolyline(kWhite, &one, 0);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(s->pixels()[i], 0u);
    s->drawPolyline(kWhite, &one, 1);  // a disc of radius 1
    auto d = makeSurface(10, 10);
    d->fillDisc(kWhite, 4.5, 4.5, 1.0);
    EXPECT_EQ(Snapshot(*s).pixels, Snapshot(*d).pixels);
}

TEST(SurfaceShapes, GroupFillGivesTheSameBytesAsThePlainPixelWalk)
{
    // The polyline fill answers a pixel from the members near it; it must agree byte for byte
    // with asking the whole group for every pixel, also with the clip origin away from 0 and
    // shapes reaching into negative local coordinates.
    std::srand(7);
    auto fast = makeSurface(64, 48);
    auto plain = makeSurface(64, 48);
    ASSERT_TRUE(fast && plain);
    for (int round = 0; round < 40; ++round) {
        const int clipX = std::rand() % 20;
        const int clipY = std::rand() % 20;
        fast->setClip(clipX, clipY, 40, 28);
        plain->setClip(clipX, clipY, 40, 28);
        const int count = 2 + std::rand() % 8;
        ZPointD points[10];
        PlainGroup* group = new PlainGroup;
        for (int i = 0; i < count; ++i) {
            points[i] = ZPointD{(std::rand() % 560) / 10.0 - 10.0, (std::rand() % 400) / 10.0 - 8.0};
            if (i > 0) group->add(new ZSegmentShape(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, 2.0));
        }
        const ZColour c = {static_cast<uint8_t>(std::rand()), static_cast<uint8_t>(std::rand()),
                           static_cast<uint8_t>(std::rand()), static_cast<uint8_t>(std::rand())};
        fast->drawPolyline(c, points, count);
        plain->fillShape(c, *group);
        // A group holding a non-segment member takes the general group path.
        ZShapeGroup mixed;
        mixed.add(new ZDiscShape(points[0].x, points[0].y, 2.5));
        mixed.add(group);
        fast->fillShape(c, mixed);
        PlainGroup plainMixed;
        plainMixed.add(new ZDiscShape(points[0].x, points[0].y, 2.5));
        for (int i = 1; i < count; ++i)
            plainMixed.add(new ZSegmentShape(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, 2.0));
        plain->fillShape(c, plainMixed);
        ASSERT_EQ(Snapshot(*fast).pixels, Snapshot(*plain).pixels) << "round " << round;
    }
}
