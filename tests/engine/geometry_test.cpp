#include "geometry.h"
#include "render_plan.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

struct GeometryCase {
    PixelSize image;
    ResizeMode mode;
    bool guard;
    PixelSize target;
    PixelSize canvas;
    DrawRect rect;
};

class WorkedExamples : public testing::TestWithParam<GeometryCase> {};

TEST_P(WorkedExamples, CanvasAndDrawRectangle)
{
    const GeometryCase& c = GetParam();
    ResizeSettings settings;
    settings.width = c.target.width;
    settings.height = c.target.height;
    settings.mode = c.mode;
    settings.preventUpscaling = c.guard;
    const PixelSize canvas = canvasSize(c.image, settings);
    EXPECT_EQ(canvas, c.canvas);
    const DrawRect rect = drawRect(c.image, canvas, c.mode);
    for (const auto& [actual, expected] : {std::pair{rect.x, c.rect.x},
                                           {rect.y, c.rect.y},
                                           {rect.width, c.rect.width},
                                           {rect.height, c.rect.height}})
        EXPECT_NEAR(actual, expected, 0.005);
}

constexpr PixelSize kFullHd{1920, 1080};
using M = ResizeMode;

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedExamples,
    testing::Values(
        GeometryCase{{4000, 3000}, M::fit, false, kFullHd, kFullHd, {240, 0, 1440, 1080}},
        GeometryCase{{4000, 3000}, M::fill, false, kFullHd, kFullHd, {0, -180, 1920, 1440}},
        GeometryCase{{4000, 3000}, M::stretch, false, kFullHd, kFullHd, {0, 0, 1920, 1080}},
        GeometryCase{{3000, 4000}, M::fit, false, kFullHd, kFullHd, {555, 0, 810, 1080}},
        GeometryCase{{800, 600}, M::fit, true, kFullHd, {800, 600}, {0, 0, 800, 600}},
        GeometryCase{{800, 600}, M::fit, false, kFullHd, kFullHd, {240, 0, 1440, 1080}},
        GeometryCase{{2000, 600}, M::fit, true, kFullHd, kFullHd, {0, 252, 1920, 576}},
        GeometryCase{{2000, 600}, M::fill, true, kFullHd, kFullHd, {-840, 0, 3600, 1080}},
        GeometryCase{{100, 100}, M::fit, false, {0, 500}, {1, 500}, {0, 249.5, 1, 1}},
        // Equality counts as fitting, in every mode.
        GeometryCase{kFullHd, M::fit, true, kFullHd, kFullHd, {0, 0, 1920, 1080}},
        GeometryCase{kFullHd, M::fill, true, kFullHd, kFullHd, {0, 0, 1920, 1080}},
        GeometryCase{kFullHd, M::stretch, true, kFullHd, kFullHd, {0, 0, 1920, 1080}},
        // As wide as the target but lower fits: kept as it is, not letterboxed.
        GeometryCase{{1920, 800}, M::fit, true, kFullHd, {1920, 800}, {0, 0, 1920, 800}},
        // One pixel too tall is not protected: thin side margins.
        GeometryCase{{1920, 1081}, M::fit, true, kFullHd, kFullHd, {0.888, 0, 1918.224, 1080}},
        // Sizes below 1 count as 1.
        GeometryCase{{50, 50}, M::stretch, false, {-3, 0}, {1, 1}, {0, 0, 1, 1}},
        // The guard keeps a small image at its own size in fill and stretch too.
        GeometryCase{{300, 200}, M::fill, true, {400, 400}, {300, 200}, {0, 0, 300, 200}},
        GeometryCase{{300, 200}, M::stretch, true, {400, 400}, {300, 200}, {0, 0, 300, 200}},
        // Fractional rectangles are not snapped.
        GeometryCase{
            {1000, 333}, M::fit, false, {1080, 1080}, {1080, 1080}, {0, 360.18, 1080, 359.64}}));

// The pixel-snapped plan the renderer follows always covers the canvas exactly, inside the
// image, with margins shared equally between opposite sides (to a pixel).
TEST(RenderPlan, SnapsToWholePixelsInsideTheCanvas)
{
    for (const PixelSize image : {PixelSize{4000, 3000}, {3000, 4000}, {1, 500}, {7, 3}, {1, 1}})
        for (const PixelSize target : {PixelSize{1920, 1080}, {1, 1}, {333, 777}, {1080, 1080}})
            for (const ResizeMode mode : kAllResizeModes) {
                ResizeSettings settings;
                settings.width = target.width;
                settings.height = target.height;
                settings.mode = mode;
                const detail::RenderPlan plan = detail::planRender(image, settings);
                SCOPED_TRACE(testing::Message() << image.width << "x" << image.height << " -> "
                                                << target.width << "x" << target.height);
                EXPECT_EQ(plan.canvas, target);
                EXPECT_TRUE(plan.crop.left >= 0 && plan.crop.top >= 0);
                EXPECT_LE(plan.crop.left + plan.crop.width, image.width);
                EXPECT_LE(plan.crop.top + plan.crop.height, image.height);
                EXPECT_TRUE(plan.scaled.width >= 1 && plan.scaled.height >= 1);
                EXPECT_LE(plan.offset.height + plan.scaled.height, plan.canvas.height);
                const auto right = plan.canvas.width - plan.scaled.width - plan.offset.width;
                EXPECT_LE(std::abs(right - plan.offset.width), 1);
                EXPECT_TRUE(mode == ResizeMode::fit || !plan.hasMargins());
            }
}

TEST(RenderPlan, FillCropsEqualPartsBeforeScaling)
{
    ResizeSettings settings;
    settings.mode = ResizeMode::fill;
    const detail::RenderPlan plan = detail::planRender({4000, 3000}, settings);
    EXPECT_EQ(plan.crop, (detail::PixelRect{0, 375, 4000, 2250}));
    EXPECT_EQ(plan.scaled, (PixelSize{1920, 1080}));

    // A thin strip filled into a wide canvas is cut to a sliver, not scaled to 19 Mpx first.
    const detail::RenderPlan strip = detail::planRender({1, 10000}, settings);
    EXPECT_EQ(strip.crop.width, 1);
    EXPECT_EQ(strip.crop.height, 1);
}

} // namespace
} // namespace pictavo
