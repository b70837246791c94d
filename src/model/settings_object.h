#pragma once

#include "resize_settings.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace pictavo {

// The model's ResizeSettings as single observable fields, so that each control of the
// inspector binds to one of them. Modes and formats travel as their Turkish raw values.
class SettingsObject : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by ResizeViewModel")
    Q_PROPERTY(qint64 width READ width WRITE setWidth NOTIFY widthChanged)
    Q_PROPERTY(qint64 height READ height WRITE setHeight NOTIFY heightChanged)
    Q_PROPERTY(QString mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(QString modeDescription READ modeDescription NOTIFY modeChanged)
    Q_PROPERTY(QString format READ format WRITE setFormat NOTIFY formatChanged)
    Q_PROPERTY(bool formatSupportsQuality READ formatSupportsQuality NOTIFY formatChanged)
    Q_PROPERTY(double quality READ quality WRITE setQuality NOTIFY qualityChanged)
    Q_PROPERTY(
        bool limitFileSize READ limitFileSize WRITE setLimitFileSize NOTIFY limitFileSizeChanged)
    // The size limit in kB of 1,000 bytes, as the queue shows sizes.
    Q_PROPERTY(
        qint64 maxFileSizeKB READ maxFileSizeKB WRITE setMaxFileSizeKB NOTIFY maxFileSizeKBChanged)
    Q_PROPERTY(bool keepMetadata READ keepMetadata WRITE setKeepMetadata NOTIFY keepMetadataChanged)
    Q_PROPERTY(bool preventUpscaling READ preventUpscaling WRITE setPreventUpscaling NOTIFY
                   preventUpscalingChanged)
    Q_PROPERTY(bool keepFolderStructure READ keepFolderStructure WRITE setKeepFolderStructure NOTIFY
                   keepFolderStructureChanged)
    // Every image at each size of `sizes` ({width, height} each), in subfolders named after them.
    Q_PROPERTY(
        bool multipleSizes READ multipleSizes WRITE setMultipleSizes NOTIFY multipleSizesChanged)
    Q_PROPERTY(QVariantList sizes READ sizes NOTIFY sizesChanged)
    // Whether the settings let a run start: sizes hasValidSizes() accepts, and a
    // file-size limit, when on, of at least one byte (no file is smaller).
    Q_PROPERTY(bool allowsStart READ allowsStart NOTIFY changed)
    Q_PROPERTY(QString prefix READ prefix WRITE setPrefix NOTIFY prefixChanged)
    Q_PROPERTY(QString suffix READ suffix WRITE setSuffix NOTIFY suffixChanged)
    Q_PROPERTY(QStringList modes READ modes CONSTANT)
    Q_PROPERTY(QStringList formats READ formats CONSTANT)
    // The size presets in display order, each {title, subtitle, width, height}.
    Q_PROPERTY(QVariantList presets READ presets CONSTANT)
    // The name the inspector shows as an example: prefix + "ornek" + suffix + "." + the
    // extension a JPEG source would get, "orijinal" while the source's type is kept.
    Q_PROPERTY(QString samplePreviewName READ samplePreviewName NOTIFY changed)

public:
    explicit SettingsObject(QObject* parent = nullptr);

    const ResizeSettings& value() const { return m_value; }
    // Field by field, each real change announced as if it had been made on its own.
    void setValue(const ResizeSettings& value);

    qint64 width() const { return m_value.width; }
    qint64 height() const { return m_value.height; }
    QString mode() const;
    QString modeDescription() const;
    QString format() const;
    bool formatSupportsQuality() const;
    double quality() const { return m_value.quality; }
    bool limitFileSize() const { return m_value.limitFileSize; }
    qint64 maxFileSizeKB() const { return m_value.maxFileSizeBytes / 1000; }
    bool keepMetadata() const { return m_value.keepMetadata; }
    bool preventUpscaling() const { return m_value.preventUpscaling; }
    bool keepFolderStructure() const { return m_value.keepFolderStructure; }
    bool multipleSizes() const { return m_value.multipleSizes; }
    QVariantList sizes() const;
    bool allowsStart() const
    {
        return hasValidSizes(m_value) && (!m_value.limitFileSize || m_value.maxFileSizeBytes >= 1);
    }
    QString prefix() const { return QString::fromStdString(m_value.prefix); }
    QString suffix() const { return QString::fromStdString(m_value.suffix); }
    QStringList modes() const;
    QStringList formats() const;
    QVariantList presets() const;
    QString samplePreviewName() const;

    void setWidth(qint64 width);
    void setHeight(qint64 height);
    // Text that is not exactly one of the raw values changes nothing.
    void setMode(const QString& mode);
    void setFormat(const QString& format);
    void setQuality(double quality);
    void setLimitFileSize(bool limit);
    void setMaxFileSizeKB(qint64 kilobytes);
    void setKeepMetadata(bool keep);
    void setPreventUpscaling(bool prevent);
    void setKeepFolderStructure(bool keep);
    // Switched on with no sizes listed, the list starts with the current width × height.
    void setMultipleSizes(bool multiple);
    void setPrefix(const QString& prefix);
    void setSuffix(const QString& suffix);

    // The output name a source of `fileName` would get, without collision numbering.
    Q_INVOKABLE QString previewName(const QString& fileName) const;

    // Appends the current width × height to the sizes, unless it is listed already or the list
    // is full; whether it was added.
    Q_INVOKABLE bool addCurrentSize();
    Q_INVOKABLE void removeSize(int index);

Q_SIGNALS:
    void widthChanged();
    void heightChanged();
    void modeChanged();
    void formatChanged();
    void qualityChanged();
    void limitFileSizeChanged();
    void maxFileSizeKBChanged();
    void keepMetadataChanged();
    void keepFolderStructureChanged();
    void multipleSizesChanged();
    void sizesChanged();
    void preventUpscalingChanged();
    void prefixChanged();
    void suffixChanged();
    void changed(); // after any field

private:
    // Writes only a real change, and announces it once.
    template <typename T, typename V>
    void update(T& field, V&& value, void (SettingsObject::*signal)())
    {
        if (field == T(value))
            return;
        field = T(std::forward<V>(value));
        Q_EMIT(this->*signal)();
        Q_EMIT changed();
    }

    ResizeSettings m_value;
};

} // namespace pictavo
