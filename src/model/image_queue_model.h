#pragma once

#include "image_item.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>
#include <vector>

namespace pictavo {

// The queue as a list model: one row per ImageItem, with roles for everything a row shows.
// A status change updates that one row; it never resets the list.
class ImageQueueModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Owned by ResizeViewModel")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        PathRole,
        FileNameRole,
        PixelWidthRole,
        PixelHeightRole,
        FileSizeRole,
        StatusRole, // "ready", "processing", "done" or "failed"
        FailureTextRole,
        OutputPathRole,
    };
    Q_ENUM(Role)

    explicit ImageQueueModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return static_cast<int>(m_items.size()); }
    const std::vector<ImageItem>& items() const { return m_items; }
    std::optional<int> rowOf(const ItemId& id) const;

    void append(std::vector<ImageItem> items);
    void setStatus(int row, ImageItem::ItemStatus status);
    // Removes every item the predicate accepts, keeping the others in order.
    void removeIf(const std::function<bool(const ImageItem&)>& predicate);
    void clear();

Q_SIGNALS:
    void countChanged();

private:
    std::vector<ImageItem> m_items;
};

} // namespace pictavo
