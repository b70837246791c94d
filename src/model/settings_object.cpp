#include "settings_object.h"

#include "output_naming.h"
#include "size_preset.h"

#include <QVariantMap>
#include <algorithm>
#include <limits>

namespace pictavo {

namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

SettingsObject::SettingsObject(QObject* parent) : QObject(parent) {}

QString SettingsObject::mode() const
{
    return toQString(rawValue(m_value.mode));
}

QString SettingsObject::modeDescription() const
{
    return toQString(pictavo::modeDescription(m_value.mode));
}

QString SettingsObject::format() const
{
    return toQString(rawValue(m_value.format));
}

bool SettingsObject::formatSupportsQuality() const
{
    return supportsQuality(m_value.format);
}

QStringList SettingsObject::modes() const
{
    QStringList labels;
    for (const ResizeMode mode : kAllResizeModes)
        labels << toQString(rawValue(mode));
    return labels;
}

QStringList SettingsObject::formats() const
{
    QStringList labels;
    for (const OutputFormat format : kAllOutputFormats)
        labels << toQString(rawValue(format));
    return labels;
}

QVariantList SettingsObject::presets() const
{
    QVariantList list;
    for (const SizePreset& preset : SizePreset::all())
        list << QVariantMap{{QStringLiteral("title"), toQString(preset.title)},
                            {QStringLiteral("subtitle"), toQString(preset.subtitle)},
                            {QStringLiteral("width"), QVariant::fromValue<qint64>(preset.width)},
                            {QStringLiteral("height"), QVariant::fromValue<qint64>(preset.height)}};
    return list;
}

QString SettingsObject::samplePreviewName() const
{
    // The kept type depends on each source, so the sample names none.
    if (m_value.format == OutputFormat::original)
        return QString::fromStdString(
            outputFileName(m_value, "ornek.jpg").replace_extension("orijinal").string());
    return previewName(QStringLiteral("ornek.jpg"));
}

void SettingsObject::setWidth(qint64 width)
{
    update(m_value.width, width, &SettingsObject::widthChanged);
}

void SettingsObject::setHeight(qint64 height)
{
    update(m_value.height, height, &SettingsObject::heightChanged);
}

void SettingsObject::setMode(const QString& mode)
{
    const std::optional<ResizeMode> parsed = resizeModeFromRawValue(mode.toStdString());
    if (parsed)
        update(m_value.mode, *parsed, &SettingsObject::modeChanged);
}

void SettingsObject::setFormat(const QString& format)
{
    const std::optional<OutputFormat> parsed = outputFormatFromRawValue(format.toStdString());
    if (parsed)
        update(m_value.format, *parsed, &SettingsObject::formatChanged);
}

void SettingsObject::setQuality(double quality)
{
    update(m_value.quality, quality, &SettingsObject::qualityChanged);
}

void SettingsObject::setLimitFileSize(bool limit)
{
    update(m_value.limitFileSize, limit, &SettingsObject::limitFileSizeChanged);
}

void SettingsObject::setMaxFileSizeKB(qint64 kilobytes)
{
    constexpr qint64 kMaxKilobytes = std::numeric_limits<qint64>::max() / 1000;
    update(m_value.maxFileSizeBytes, std::clamp(kilobytes, -kMaxKilobytes, kMaxKilobytes) * 1000,
           &SettingsObject::maxFileSizeKBChanged);
}

void SettingsObject::setKeepMetadata(bool keep)
{
    update(m_value.keepMetadata, keep, &SettingsObject::keepMetadataChanged);
}

void SettingsObject::setKeepFolderStructure(bool keep)
{
    update(m_value.keepFolderStructure, keep, &SettingsObject::keepFolderStructureChanged);
}

void SettingsObject::setPreventUpscaling(bool prevent)
{
    update(m_value.preventUpscaling, prevent, &SettingsObject::preventUpscalingChanged);
}

void SettingsObject::setPrefix(const QString& prefix)
{
    update(m_value.prefix, prefix.toStdString(), &SettingsObject::prefixChanged);
}

void SettingsObject::setSuffix(const QString& suffix)
{
    update(m_value.suffix, suffix.toStdString(), &SettingsObject::suffixChanged);
}

void SettingsObject::setValue(const ResizeSettings& value)
{
    update(m_value.width, value.width, &SettingsObject::widthChanged);
    update(m_value.height, value.height, &SettingsObject::heightChanged);
    update(m_value.mode, value.mode, &SettingsObject::modeChanged);
    update(m_value.format, value.format, &SettingsObject::formatChanged);
    update(m_value.quality, value.quality, &SettingsObject::qualityChanged);
    update(m_value.limitFileSize, value.limitFileSize, &SettingsObject::limitFileSizeChanged);
    update(m_value.maxFileSizeBytes, value.maxFileSizeBytes, &SettingsObject::maxFileSizeKBChanged);
    update(m_value.keepMetadata, value.keepMetadata, &SettingsObject::keepMetadataChanged);
    update(m_value.preventUpscaling, value.preventUpscaling,
           &SettingsObject::preventUpscalingChanged);
    update(m_value.keepFolderStructure, value.keepFolderStructure,
           &SettingsObject::keepFolderStructureChanged);
    update(m_value.multipleSizes, value.multipleSizes, &SettingsObject::multipleSizesChanged);
    update(m_value.sizes, value.sizes, &SettingsObject::sizesChanged);
    update(m_value.prefix, value.prefix, &SettingsObject::prefixChanged);
    update(m_value.suffix, value.suffix, &SettingsObject::suffixChanged);
}

QString SettingsObject::previewName(const QString& fileName) const
{
    return QString::fromStdString(
        outputFileName(m_value, std::filesystem::path(fileName.toStdString())).string());
}

QVariantList SettingsObject::sizes() const
{
    QVariantList list;
    for (const TargetSize size : m_value.sizes)
        list.append(QVariantMap{{QStringLiteral("width"), qint64(size.width)},
                                {QStringLiteral("height"), qint64(size.height)}});
    return list;
}

void SettingsObject::setMultipleSizes(bool multiple)
{
    if (multiple && m_value.sizes.empty())
        addCurrentSize();
    update(m_value.multipleSizes, multiple, &SettingsObject::multipleSizesChanged);
}

bool SettingsObject::addCurrentSize()
{
    const TargetSize size{m_value.width, m_value.height};
    if (m_value.sizes.size() >= kMaxTargetSizes ||
        std::find(m_value.sizes.begin(), m_value.sizes.end(), size) != m_value.sizes.end())
        return false;
    std::vector<TargetSize> sizes = m_value.sizes;
    sizes.push_back(size);
    update(m_value.sizes, std::move(sizes), &SettingsObject::sizesChanged);
    return true;
}

void SettingsObject::removeSize(int index)
{
    if (index < 0 || std::size_t(index) >= m_value.sizes.size())
        return;
    std::vector<TargetSize> sizes = m_value.sizes;
    sizes.erase(sizes.begin() + index);
    update(m_value.sizes, std::move(sizes), &SettingsObject::sizesChanged);
}

} // namespace pictavo
