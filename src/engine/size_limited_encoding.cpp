#include "size_limited_encoding.h"

#include "processing_error.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <span>
#include <vips/vips8>

namespace pictavo::detail {

namespace {

constexpr int kHighest = 100;

// A point of an encoder's size curve: ln(bits per pixel, metadata aside) of the median photo of
// the benchmark set at 1920 × 1080 (bench/README.md, `size_limit_bench --shape`).
struct Knot {
    int quality;
    double logBits;
};

// An encoder's size against quality. Photos differ from the median mostly by a factor that
// grows with their fine detail, ln(factor) ≈ offset + detailSlope × ln(fineDetail), fitted on
// the same photos; the curve's shape then places the first trial, and between trials the
// search interpolates along that shape.
struct SizeModel {
    std::span<const Knot> knots;
    double offset;
    double detailSlope;
};

// libvips' JPEG encoder stops subsampling chroma at 90, which makes the step from 89 to 90 the
// largest of all; the top three steps are steep too.
constexpr Knot kJpegKnots[]{{5, -1.97},  {10, -1.89}, {15, -1.82}, {20, -1.75}, {25, -1.68},
                            {30, -1.62}, {35, -1.56}, {40, -1.51}, {45, -1.46}, {50, -1.41},
                            {55, -1.37}, {60, -1.31}, {65, -1.24}, {70, -1.15}, {75, -1.07},
                            {80, -0.94}, {85, -0.79}, {89, -0.62}, {90, -0.38}, {95, -0.01},
                            {97, 0.26},  {98, 0.40},  {99, 0.72},  {100, 1.11}};
constexpr Knot kWebpKnots[]{{5, -3.25},  {10, -3.14}, {15, -3.04}, {20, -2.99}, {25, -2.92},
                            {30, -2.84}, {35, -2.77}, {40, -2.69}, {45, -2.64}, {50, -2.57},
                            {55, -2.51}, {60, -2.45}, {65, -2.37}, {70, -2.31}, {75, -2.23},
                            {80, -2.01}, {85, -1.67}, {90, -1.18}, {95, -0.66}, {100, -0.17}};
// x265 at "veryfast" barely grows past 80.
constexpr Knot kHeicKnots[]{{5, -4.29},  {10, -4.12}, {15, -3.83}, {20, -3.64}, {25, -3.29},
                            {30, -3.03}, {35, -2.62}, {40, -2.31}, {45, -1.83}, {50, -1.49},
                            {55, -1.04}, {60, -0.77}, {65, -0.26}, {70, 0.05},  {75, 0.39},
                            {80, 0.55},  {85, 0.61},  {90, 0.67},  {95, 0.68},  {100, 0.69}};
constexpr Knot kAvifKnots[]{{5, -4.39},  {10, -4.25}, {15, -4.15}, {20, -3.91}, {25, -3.68},
                            {30, -3.53}, {35, -3.39}, {40, -3.23}, {45, -3.05}, {50, -2.87},
                            {55, -2.61}, {60, -2.40}, {65, -2.21}, {70, -2.04}, {75, -1.85},
                            {80, -1.60}, {85, -1.17}, {90, -0.70}, {95, -0.22}, {100, 0.86}};

const SizeModel& modelOf(Encoder encoder)
{
    static const SizeModel jpeg{kJpegKnots, 0.50, 0.48};
    static const SizeModel webp{kWebpKnots, 0.68, 0.99};
    static const SizeModel heic{kHeicKnots, 0.69, 1.27};
    static const SizeModel avif{kAvifKnots, 0.69, 1.27};
    switch (encoder) {
    case Encoder::webp:
        return webp;
    case Encoder::heifHevc:
        return heic;
    case Encoder::heifAv1:
        return avif;
    default:
        return jpeg;
    }
}

// The curve at a quality, linear between its knots.
double curveAt(std::span<const Knot> knots, double quality)
{
    if (quality <= knots.front().quality)
        return knots.front().logBits;
    for (std::size_t i = 1; i < knots.size(); ++i)
        if (quality <= knots[i].quality) {
            const Knot& below = knots[i - 1];
            const double fraction = (quality - below.quality) / (knots[i].quality - below.quality);
            return below.logBits + fraction * (knots[i].logBits - below.logBits);
        }
    return knots.back().logBits;
}

// The quality at which the curve reaches `value`; beyond its ends, a quality beyond the range.
double qualityAt(std::span<const Knot> knots, double value)
{
    if (value <= knots.front().logBits)
        return kLowestLimitedQuality - 1;
    for (std::size_t i = 1; i < knots.size(); ++i)
        if (value < knots[i].logBits) {
            const Knot& below = knots[i - 1];
            const double fraction = (value - below.logBits) / (knots[i].logBits - below.logBits);
            return below.quality + fraction * (knots[i].quality - below.quality);
        }
    return kHighest + 1;
}

int clampedFloor(double quality, int lowest, int highest)
{
    return std::clamp(static_cast<int>(std::floor(std::clamp(quality, -1e6, 1e6))), lowest,
                      highest);
}

class Search {
public:
    Search(const EncodeAtQuality& encode, std::span<const Knot> knots, std::int64_t fixedBytes,
           std::int64_t limitBytes)
        : m_encode(encode), m_knots(knots), m_fixed(fixedBytes), m_limit(limitBytes)
    {}

    LimitedFile run(double firstGuess)
    {
        int next = clampedFloor(firstGuess, kLowestLimitedQuality, kHighest);
        for (;;) {
            measure(next);
            // The highest fitting quality is taken to be one that fits while the next step up
            // does not. Sizes are not strictly monotone in quality (an encoder may find a
            // cheaper coding one step up), so a quality fitting again above one that does not
            // is not sought: the search ends at the first such boundary above the highest
            // fitting trial.
            const int failure = lowestFailureAbove(m_best.quality);
            if (m_best.quality == kHighest ||
                (m_best.quality > 0 && failure == m_best.quality + 1)) {
                m_best.encodes = m_encodes;
                return std::move(m_best);
            }
            if (m_best.quality == 0 && failure == kLowestLimitedQuality)
                throw ProcessingError(ProcessingError::exceedsSizeLimit);
            next =
                nextTrial(m_best.quality > 0 ? m_best.quality : kLowestLimitedQuality - 1, failure);
        }
    }

private:
    void measure(int quality)
    {
        Bytes bytes = m_encode(quality);
        ++m_encodes;
        const auto size = static_cast<std::int64_t>(bytes.size());
        m_sizes[quality] = logOf(size);
        if (size > m_limit)
            m_failures.insert(quality);
        else if (quality > m_best.quality)
            m_best = {std::move(bytes), quality, 0};
    }

    // The lowest failed trial above `quality`; past the range if none.
    int lowestFailureAbove(int quality) const
    {
        const auto it = m_failures.upper_bound(quality);
        return it == m_failures.end() ? kHighest + 1 : *it;
    }

    // The varying part of a size, in the curve's log scale.
    double logOf(std::int64_t size) const
    {
        return std::log(static_cast<double>(std::max<std::int64_t>(size - m_fixed, 1)));
    }

    // The trial after those made, strictly between the highest fitting one (`low`) and the
    // lowest failure above it (`high`): where the curve through the two trials nearest to the
    // limit reaches it (a secant along the curve's shape; with one trial, the curve shifted
    // onto it).
    int nextTrial(int low, int high) const
    {
        const double target = logOf(m_limit);
        auto nearest = m_sizes.begin();
        auto second = m_sizes.end();
        for (auto it = m_sizes.begin(); it != m_sizes.end(); ++it) {
            if (std::abs(it->second - target) < std::abs(nearest->second - target)) {
                second = nearest;
                nearest = it;
            } else if (it != nearest &&
                       (second == m_sizes.end() ||
                        std::abs(it->second - target) < std::abs(second->second - target))) {
                second = it;
            }
        }
        const double curveNearest = curveAt(m_knots, nearest->first);
        double scale = 1;
        if (second != m_sizes.end()) {
            const double slope = (second->second - nearest->second) /
                                 (curveAt(m_knots, second->first) - curveNearest);
            // A size falling as the quality rises says nothing of the slope; a steep or flat
            // one from two near trials is held to a range that noise cannot leave.
            if (std::isfinite(slope) && slope > 0)
                scale = std::clamp(slope, 0.2, 5.0);
        }
        const double guess = qualityAt(m_knots, curveNearest + (target - nearest->second) / scale);
        const int openLow = std::max(low + 1, kLowestLimitedQuality);
        const int openHigh = std::min(high - 1, kHighest);
        // From the fifth trial on, each keeps a quarter of the open range from its ends, so
        // that a picture shaped unlike any photo still takes a bounded number of encodes.
        const int margin = m_encodes >= 5 ? (openHigh - openLow) / 4 : 0;
        // The nearest whole quality: a trial just below the boundary or just above it ends the
        // search with one more, its neighbour.
        return clampedFloor(guess + 0.5, openLow + margin, openHigh - margin);
    }

    const EncodeAtQuality& m_encode;
    std::span<const Knot> m_knots;
    std::int64_t m_fixed;
    std::int64_t m_limit;
    std::map<int, double> m_sizes; // quality → logOf(size)
    std::set<int> m_failures;
    LimitedFile m_best;
    int m_encodes = 0;
};

} // namespace

double fineDetail(const vips::VImage& canvas)
{
    try {
        const vips::VImage colour =
            canvas.extract_band(0, vips::VImage::option()->set("n", canvas.bands() >= 3 ? 3 : 1));
        const vips::VImage grey =
            colour.colourspace(VIPS_INTERPRETATION_B_W).cast(VIPS_FORMAT_FLOAT);
        return std::max((grey - grey.gaussblur(1.0)).abs().avg(), 1e-3);
    } catch (const vips::VError&) {
        // Only the first trial's place depends on it.
        vips_error_clear();
        return 1;
    }
}

LimitedFile encodeWithinLimit(const EncodeAtQuality& encode, Encoder encoder,
                              const PictureTraits& picture, std::int64_t limitBytes)
{
    const SizeModel& model = modelOf(encoder);
    const double targetBits =
        8.0 * static_cast<double>(std::max<std::int64_t>(limitBytes - picture.fixedBytes, 1));
    const double logBits =
        std::log(targetBits / static_cast<double>(std::max<std::int64_t>(picture.pixels, 1)));
    const double photoFactor =
        model.offset + model.detailSlope * std::log(std::max(picture.detail, 1e-3));
    Search search(encode, model.knots, picture.fixedBytes, limitBytes);
    return search.run(qualityAt(model.knots, logBits - photoFactor));
}

} // namespace pictavo::detail
