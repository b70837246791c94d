#include "size_preset.h"

namespace pictavo {

const std::vector<SizePreset>& SizePreset::all()
{
    static const std::vector<SizePreset> presets = [] {
        struct Row {
            const char* title;
            const char* subtitle;
            std::int64_t width;
            std::int64_t height;
        };
        const Row rows[] = {
            {"Web Kare S", "1:1", 400, 400},       {"Web Kare M", "1:1", 800, 800},
            {"Web Kare L", "1:1", 1200, 1200},     {"Web Kare XL", "1:1", 1600, 1600},
            {"Instagram Kare", "1:1", 1080, 1080}, {"Instagram Dikey", "4:5", 1080, 1350},
            {"Story / Reels", "9:16", 1080, 1920}, {"Full HD", "16:9", 1920, 1080},
            {"4K UHD", "16:9", 3840, 2160},        {"Web Yatay", "3:2", 1800, 1200},
        };
        std::vector<SizePreset> built;
        for (const Row& row : rows)
            built.push_back({ItemId::random(), row.title, row.subtitle, row.width, row.height});
        return built;
    }();
    return presets;
}

} // namespace pictavo
