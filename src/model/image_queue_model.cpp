#include "image_queue_model.h"

#include <QLocale>
#include <algorithm>

namespace pictavo {

namespace {

QString statusName(ItemState state)
{
    switch (state) {
    case ItemState::ready:
        return QStringLiteral("ready");
    case ItemState::processing:
        return QStringLiteral("processing");
    case ItemState::done:
        return QStringLiteral("done");
    case ItemState::failed:
        return QStringLiteral("failed");
    }
    return {};
}

} // namespace

void ImageQueueModel::Summary::add(const ImageItem& item, int sign)
{
    bytes += sign * item.fileSize;
    switch (item.status.state) {
    case ItemState::ready:
        ready += sign;
        break;
    case ItemState::done:
        done += sign;
        break;
    case ItemState::failed:
        failed += sign;
        break;
    case ItemState::processing:
        break;
    }
}

ImageQueueModel::ImageQueueModel(QObject* parent) : QAbstractListModel(parent) {}

QString ImageQueueModel::byteCountText(qint64 bytes)
{
    static const QLocale turkish(QLocale::Turkish);
    return turkish.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

void ImageQueueModel::recount()
{
    Summary summary;
    for (const ImageItem& item : m_items)
        summary.add(item, 1);
    if (summary == m_summary)
        return;
    m_summary = summary;
    Q_EMIT summaryChanged();
}

int ImageQueueModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ImageQueueModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ImageItem& item = m_items[static_cast<std::size_t>(index.row())];
    switch (role) {
    case IdRole:
        return QString::fromStdString(item.id.toString());
    case EncodedPathRole:
        return QString::fromLatin1(QByteArray(item.url.c_str()).toPercentEncoding());
    case Qt::DisplayRole:
    case FileNameRole:
        return QString::fromStdString(item.url.filename().string());
    case PixelWidthRole:
        return qint64(item.pixelWidth);
    case PixelHeightRole:
        return qint64(item.pixelHeight);
    case FileSizeRole:
        return qint64(item.fileSize);
    case FileSizeTextRole:
        return byteCountText(item.fileSize);
    case StatusRole:
        return statusName(item.status.state);
    case FailureTextRole:
        return QString::fromStdString(item.status.message);
    case OutputPathRole:
        return QString::fromStdString(item.status.output.string());
    default:
        return {};
    }
}

QHash<int, QByteArray> ImageQueueModel::roleNames() const
{
    return {{IdRole, "itemId"},
            {EncodedPathRole, "encodedPath"},
            {FileNameRole, "fileName"},
            {PixelWidthRole, "pixelWidth"},
            {PixelHeightRole, "pixelHeight"},
            {FileSizeRole, "fileSize"},
            {StatusRole, "status"},
            {FailureTextRole, "failureText"},
            {OutputPathRole, "outputPath"},
            {FileSizeTextRole, "fileSizeText"}};
}

std::optional<int> ImageQueueModel::rowOf(const ItemId& id) const
{
    const auto found = std::find_if(m_items.begin(), m_items.end(),
                                    [&](const ImageItem& i) { return i.id == id; });
    if (found == m_items.end())
        return std::nullopt;
    return static_cast<int>(found - m_items.begin());
}

void ImageQueueModel::append(std::vector<ImageItem> items)
{
    if (items.empty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(items.size()) - 1);
    for (const ImageItem& item : items)
        m_summary.add(item, 1);
    std::move(items.begin(), items.end(), std::back_inserter(m_items));
    endInsertRows();
    Q_EMIT countChanged();
    Q_EMIT summaryChanged();
}

void ImageQueueModel::setStatus(int row, ItemStatus status)
{
    if (row < 0 || row >= count())
        return;
    ImageItem& item = m_items[static_cast<std::size_t>(row)];
    const bool stateChanged = item.status.state != status.state;
    m_summary.add(item, -1);
    item.status = std::move(status);
    m_summary.add(item, 1);
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed, {StatusRole, FailureTextRole, OutputPathRole});
    if (stateChanged)
        Q_EMIT summaryChanged();
}

void ImageQueueModel::removeIf(const std::function<bool(const ImageItem&)>& predicate)
{
    // Contiguous runs are removed from the end, so earlier row numbers stay valid.
    bool removed = false;
    for (int last = count() - 1; last >= 0;) {
        if (!predicate(m_items[static_cast<std::size_t>(last)])) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && predicate(m_items[static_cast<std::size_t>(first - 1)]))
            --first;
        beginRemoveRows({}, first, last);
        m_items.erase(m_items.begin() + first, m_items.begin() + last + 1);
        endRemoveRows();
        removed = true;
        last = first - 1;
    }
    if (removed) {
        Q_EMIT countChanged();
        recount();
    }
}

void ImageQueueModel::clear()
{
    if (m_items.empty())
        return;
    beginResetModel();
    m_items.clear();
    endResetModel();
    Q_EMIT countChanged();
    recount();
}

} // namespace pictavo
