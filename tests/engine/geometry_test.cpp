#include "geometry.h"
#include "render_plan.h"
#include "test_images.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

// Canvas and draw rectangle of worked examples: mode, "don't enlarge", equality and thin or
// degenerate targets.
TEST(Geometry, WorkedExamples)
{
    constexpr PixelSize kFullHd{1920, 1080};
    using M = ResizeMode;
    const struct {
        PixelSize image;
        ResizeMode mode;
        bool guard;
        PixelSize target;
        PixelSize canvas;
        DrawRect rect;
    } cases[] = {
        {{4000, 3000}, M::fit, false, kFullHd, kFullHd, {240, 0, 1440, 1080}},
        {{4000, 3000}, M::fill, false, kFullHd, kFullHd, {0, -180, 1920, 1440}},
        {{4000, 3000}, M::stretch, false, kFullHd, kFullHd, {0, 0, 1920, 1080}},
        {{800, 600}, M::fit, true, kFullHd, {800, 600}, {0, 0, 800, 600}},
        {{800, 600}, M::fit, false, kFullHd, kFullHd, {240, 0, 1440, 1080}},
        {{2000, 600}, M::fit, true, kFullHd, kFullHd, {0, 252, 1920, 576}},
        {{2000, 600}, M::fill, true, kFullHd, kFullHd, {-840, 0, 3600, 1080}},
        {{100, 100}, M::fit, false, {0, 500}, {1, 500}, {0, 249.5, 1, 1}},
        // Equality counts as fitting.
        {kFullHd, M::fit, true, kFullHd, kFullHd, {0, 0, 1920, 1080}},
        // As wide as the target but lower fits: kept as it is, not letterboxed.
        {{1920, 800}, M::fit, true, kFullHd, {1920, 800}, {0, 0, 1920, 800}},
        // One pixel too tall is not protected: thin side margins.
        {{1920, 1081}, M::fit, true, kFullHd, kFullHd, {0.888, 0, 1918.224, 1080}},
        // Sizes below 1 count as 1.
        {{50, 50}, M::stretch, false, {-3, 0}, {1, 1}, {0, 0, 1, 1}},
        // The guard keeps a small image at its own size in fill and stretch too.
        {{300, 200}, M::fill, true, {400, 400}, {300, 200}, {0, 0, 300, 200}},
        {{300, 200}, M::stretch, true, {400, 400}, {300, 200}, {0, 0, 300, 200}},
        // Fractional rectangles are not snapped.
        {{1000, 333}, M::fit, false, {1080, 1080}, {1080, 1080}, {0, 360.18, 1080, 359.64}}};
    for (const auto& c : cases) {
        ResizeSettings settings = test::target(c.target.width, c.target.height, c.mode);
        settings.preventUpscaling = c.guard;
        SCOPED_TRACE(testing::Message() << c.image.width << "x" << c.image.height << " "
                                        << rawValue(c.mode) << (c.guard ? " guarded" : ""));
        const PixelSize canvas = canvasSize(c.image, settings);
        EXPECT_EQ(canvas, c.canvas);
        const DrawRect rect = drawRect(c.image, canvas, c.mode);
        for (const auto& [actual, expected] : {std::pair{rect.x, c.rect.x},
                                               {rect.y, c.rect.y},
                                               {rect.width, c.rect.width},
                                               {rect.height, c.rect.height}})
            EXPECT_NEAR(actual, expected, 0.005);
    }
}

// The pixel-snapped plan the renderer follows always covers the canvas exactly, inside the
// image, with margins and cut-off parts shared equally between opposite sides (to a pixel).
TEST(RenderPlan, SnapsToWholePixelsInsideTheCanvas)
{
    for (const PixelSize image : {PixelSize{4000, 3000}, {3000, 4000}, {1, 500}, {7, 3}, {1, 1}})
        for (const PixelSize target : {PixelSize{1920, 1080}, {1, 1}, {333, 777}, {1080, 1080}})
            for (const ResizeMode mode : kAllResizeModes) {
                const detail::RenderPlan plan =
                    detail::planRender(image, test::target(target.width, target.height, mode));
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
                // What fill cuts off is shared the same way.
                const auto cutBelow = image.height - plan.crop.height - plan.crop.top;
                const auto cutRight = image.width - plan.crop.width - plan.crop.left;
                EXPECT_LE(std::abs(cutBelow - plan.crop.top), 1);
                EXPECT_LE(std::abs(cutRight - plan.crop.left), 1);
                EXPECT_TRUE(mode == ResizeMode::fit || !plan.hasMargins());
            }
}

// A thin strip filled into a wide canvas is cut to a sliver, not scaled to 19 Mpx first.
TEST(RenderPlan, FillCutsAThinStripBeforeScaling)
{
    ResizeSettings settings;
    settings.mode = ResizeMode::fill;
    const detail::RenderPlan strip = detail::planRender({1, 10000}, settings);
    EXPECT_EQ(strip.crop.width, 1);
    EXPECT_EQ(strip.crop.height, 1);
}

} // namespace
} // namespace pictavo
