#include "image_figures.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <vips/vips8>

namespace pictavo::bench {

namespace fs = std::filesystem;

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double psnr(const fs::path& reference, const fs::path& encoded)
{
    try {
        vips::VImage a = vips::VImage::new_from_file(reference.c_str());
        vips::VImage b = vips::VImage::new_from_file(encoded.c_str());
        if (a.width() != b.width() || a.height() != b.height())
            return 0.0;
        a = a.extract_band(0, vips::VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
        b = b.extract_band(0, vips::VImage::option()->set("n", 3)).cast(VIPS_FORMAT_FLOAT);
        const vips::VImage difference = a - b;
        const double mse = (difference * difference).avg();
        return mse <= 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
    } catch (const vips::VError& error) {
        std::cerr << "psnr: " << error.what() << "\n";
        vips_error_clear();
        return 0.0;
    }
}

double headerMegapixels(const fs::path& file)
{
    try {
        const vips::VImage image = vips::VImage::new_from_file(file.c_str());
        return static_cast<double>(image.width()) * image.height() / 1e6;
    } catch (const vips::VError&) {
        vips_error_clear();
        return 0.0;
    }
}

} // namespace pictavo::bench
