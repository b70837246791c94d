#pragma once

#include "image_item.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>
#include <vector>

namespace pictavo {

// The queue as a list model: one row per ImageItem, with roles for everything a row shows.
// A status change updates that one row; it never resets the list. The per-status counts and
// the total size are kept up to date as the queue changes, so views never walk the rows.
class ImageQueueModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by ResizeViewModel")
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int readyCount READ readyCount NOTIFY summaryChanged)
    Q_PROPERTY(int doneCount READ doneCount NOTIFY summaryChanged)
    Q_PROPERTY(int failedCount READ failedCount NOTIFY summaryChanged)
    Q_PROPERTY(qint64 totalFileSize READ totalFileSize NOTIFY summaryChanged)
    Q_PROPERTY(QString totalSizeText READ totalSizeText NOTIFY summaryChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        // The path's bytes percent-encoded: plain ASCII that names the file exactly, also when
        // the name is not UTF-8 (text would replace such bytes).
        EncodedPathRole,
        FileNameRole,
        PixelWidthRole,
        PixelHeightRole,
        FileSizeRole,
        StatusRole, // "ready", "processing", "done" or "failed"
        FailureTextRole,
        OutputPathRole,
        FileSizeTextRole, // the byte size as the window shows it
    };
    Q_ENUM(Role)

    explicit ImageQueueModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return static_cast<int>(m_items.size()); }
    const std::vector<ImageItem>& items() const { return m_items; }
    std::optional<int> rowOf(const ItemId& id) const;

    int readyCount() const { return m_summary.ready; }
    int doneCount() const { return m_summary.done; }
    int failedCount() const { return m_summary.failed; }
    qint64 totalFileSize() const { return m_summary.bytes; }
    QString totalSizeText() const { return byteCountText(m_summary.bytes); }

    // A byte count the way file sizes are shown: decimal units, Turkish digits ("1,2 MB").
    static QString byteCountText(qint64 bytes);

    void append(std::vector<ImageItem> items);
    void setStatus(int row, ItemStatus status);
    // Removes every item the predicate accepts, keeping the others in order.
    void removeIf(const std::function<bool(const ImageItem&)>& predicate);
    void clear();

Q_SIGNALS:
    void countChanged();
    void summaryChanged();

private:
    // Items being processed are counted by none of the three.
    struct Summary {
        int ready = 0;
        int done = 0;
        int failed = 0;
        qint64 bytes = 0;

        void add(const ImageItem& item, int sign);
        bool operator==(const Summary&) const = default;
    };

    void recount();

    std::vector<ImageItem> m_items;
    Summary m_summary;
};

} // namespace pictavo
