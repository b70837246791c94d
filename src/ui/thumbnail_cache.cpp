#include "thumbnail_cache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictavo {

namespace {

struct SizeFolder {
    const char* name;
    int side;
};

// The standard's size folders, smallest first, with the longer side of their pictures.
constexpr SizeFolder kSizeFolders[] = {
    {"normal", 128}, {"large", ThumbnailCache::kLargeSide}, {"x-large", 512}, {"xx-large", 1024}};

// Larger pictures are not thumbnails; refusing them keeps a stray file from costing a decode.
constexpr int kMaxCachedSide = 4096;

// Failures are kept per program and version: another program, or a later Pictavo, may well
// read what this one could not.
constexpr char kFailFolder[] = "fail/pictavo-" PICTAVO_VERSION;

QByteArray cacheRootFromEnvironment()
{
    // Relative values are to be ignored, as for every XDG base folder.
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (cache.startsWith('/'))
        return cache + "/thumbnails";
    const QByteArray home = qgetenv("HOME");
    return home.startsWith('/') ? home + "/.cache/thumbnails" : QByteArray();
}

// Creates `folder` and any missing parents, private to the user as the standard asks; folders
// already there keep their mode.
bool makeFolders(const QByteArray& folder)
{
    struct stat info {};
    for (qsizetype end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != '/')
            continue;
        const QByteArray prefix = folder.left(end);
        if (::stat(prefix.constData(), &info) != 0 && ::mkdir(prefix.constData(), 0700) != 0 &&
            errno != EEXIST)
            return false;
    }
    return ::stat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The CRC-32 that closes a PNG chunk (ISO 3309, as in zlib), over the chunk's type and data.
quint32 pngCrc(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendBigEndian(QByteArray& to, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        to.append(char((value >> shift) & 0xffu));
}

// An uncompressed tEXt chunk. Qt's PNG writer stores any text over 40 characters as zTXt,
// which the standard's readers need not understand; every key is written here instead.
QByteArray textChunk(const QByteArray& key, const QByteArray& value)
{
    const QByteArray typed = "tEXt" + key + '\0' + value;
    QByteArray chunk;
    appendBigEndian(chunk, quint32(typed.size() - 4));
    chunk += typed;
    appendBigEndian(chunk, pngCrc(typed));
    return chunk;
}

// The PNG of `picture` with `texts` (Latin-1 keys and values) as tEXt chunks right after the
// header; empty when it cannot be made.
QByteArray pngWithTexts(const QImage& picture,
                        const QList<std::pair<QByteArray, QByteArray>>& texts)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // zlib's fastest level (what Qt makes of quality 80): two and a half times quicker than
    // its default for thumbnails a few percent larger.
    writer.setQuality(80);
    // The signature (8 bytes), then IHDR: length, type, 13 bytes of data, CRC.
    constexpr qsizetype kAfterHeader = 8 + 4 + 4 + 13 + 4;
    if (!writer.write(picture) || png.size() < kAfterHeader || png.mid(12, 4) != "IHDR")
        return {};
    QByteArray chunks;
    for (const auto& [key, value] : texts)
        chunks += textChunk(key, value);
    return png.insert(kAfterHeader, chunks);
}

bool writeAll(int descriptor, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(descriptor, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

ThumbnailCache::ThumbnailCache() : m_root(cacheRootFromEnvironment()) {}

std::optional<ThumbnailSource> ThumbnailCache::describe(const QByteArray& path)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return std::nullopt;
    ThumbnailSource source;
    source.path = QByteArray(resolved);
    std::free(resolved);
    struct stat info {};
    if (::stat(source.path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    source.uri = uriFor(source.path);
    source.mtime = qint64(info.st_mtime);
    source.size = qint64(info.st_size);
    return source;
}

QByteArray ThumbnailCache::uriFor(const QByteArray& canonicalPath)
{
    // GLib's set, which GNOME's thumbnailers use: ";" is escaped although QUrl would keep it.
    return "file://" + canonicalPath.toPercentEncoding("/!$&'()*+,:=@");
}

QByteArray ThumbnailCache::fileNameFor(const QByteArray& uri)
{
    return QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}

QImage ThumbnailCache::find(const ThumbnailSource& source, int longSide) const
{
    if (m_root.isEmpty())
        return {};
    const QByteArray name = fileNameFor(source.uri);
    bool largeEnough = false;
    for (std::size_t i = 0; i < std::size(kSizeFolders); ++i) {
        // Past the largest folder, a smaller picture is better than none.
        largeEnough =
            largeEnough || kSizeFolders[i].side >= longSide || i + 1 == std::size(kSizeFolders);
        if (!largeEnough)
            continue;
        QImage picture = validPicture(m_root + '/' + kSizeFolders[i].name + '/' + name, source);
        if (!picture.isNull())
            return picture;
    }
    return {};
}

QImage ThumbnailCache::validPicture(const QByteArray& file, const ThumbnailSource& source) const
{
    // Without blocking: whatever sits at that name (a FIFO, say) must not hang the thread.
    const int descriptor = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return {};
    QFile device;
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) ||
        !device.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    QImageReader reader(&device, "png");
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > kMaxCachedSide || size.height() > kMaxCachedSide)
        return {};
    // The keys are read with the pixels: QImageReader::text() splits keys at the colons of
    // "Thumb::". A stale picture costs the decode of a small PNG.
    const QImage picture = reader.read();
    bool mtimeRead = false;
    const qint64 mtime = picture.text(QStringLiteral("Thumb::MTime")).toLongLong(&mtimeRead);
    if (!mtimeRead || mtime != source.mtime ||
        picture.text(QStringLiteral("Thumb::URI")).toLatin1() != source.uri)
        return {};
    return picture;
}

void ThumbnailCache::store(const ThumbnailSource& source, const QImage& picture) const
{
    if (!picture.isNull() && acceptsWritesFor(source))
        write(m_root + "/large", source, picture);
}

bool ThumbnailCache::acceptsWritesFor(const ThumbnailSource& source) const
{
    // A thumbnail of a thumbnail would feed on itself each time the cache is browsed.
    if (m_root.isEmpty() || source.path.startsWith(m_root + '/'))
        return false;
    char* resolvedRoot = ::realpath(m_root.constData(), nullptr);
    const bool inside = resolvedRoot && source.path.startsWith(QByteArray(resolvedRoot) + '/');
    std::free(resolvedRoot);
    return !inside;
}

bool ThumbnailCache::hasFailed(const ThumbnailSource& source) const
{
    return !m_root.isEmpty() &&
           !validPicture(m_root + '/' + kFailFolder + '/' + fileNameFor(source.uri), source)
                .isNull();
}

void ThumbnailCache::recordFailure(const ThumbnailSource& source) const
{
    if (!acceptsWritesFor(source))
        return;
    QImage empty(1, 1, QImage::Format_ARGB32);
    empty.fill(Qt::transparent);
    write(m_root + '/' + kFailFolder, source, empty);
}

void ThumbnailCache::write(const QByteArray& folder, const ThumbnailSource& source,
                           const QImage& picture) const
{
    // Always with an alpha band: the standard asks for 8-bit RGBA.
    const QByteArray png = pngWithTexts(picture.convertToFormat(QImage::Format_ARGB32),
                                        {{"Thumb::URI", source.uri},
                                         {"Thumb::MTime", QByteArray::number(source.mtime)},
                                         {"Thumb::Size", QByteArray::number(source.size)},
                                         {"Software", "Pictavo " PICTAVO_VERSION}});
    if (png.isEmpty() || !makeFolders(folder))
        return;
    // Written under a temporary name and renamed into place, so a reader in another program
    // never sees half a picture; mkstemp gives the file the standard's mode 0600.
    QByteArray temporary = folder + "/.pictavo-XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return;
    const bool written = writeAll(descriptor, png);
    const bool closed = ::close(descriptor) == 0;
    const QByteArray target = folder + '/' + fileNameFor(source.uri);
    if (!written || !closed || ::rename(temporary.constData(), target.constData()) != 0)
        ::unlink(temporary.constData());
}

} // namespace pictavo
