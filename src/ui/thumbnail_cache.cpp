#include "thumbnail_cache.h"

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
    if (!makeFolders(folder))
        return;
    // Written under a temporary name and renamed into place, so a reader in another program
    // never sees half a picture; mkstemp gives the file the standard's mode 0600.
    QByteArray temporary = folder + "/.pictavo-XXXXXX";
    const int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return;
    // Always with an alpha band: the standard asks for 8-bit RGBA.
    QImage tagged = picture.convertToFormat(QImage::Format_ARGB32);
    tagged.setText(QStringLiteral("Thumb::URI"), QString::fromLatin1(source.uri));
    tagged.setText(QStringLiteral("Thumb::MTime"), QString::number(source.mtime));
    tagged.setText(QStringLiteral("Thumb::Size"), QString::number(source.size));
    tagged.setText(QStringLiteral("Software"), QStringLiteral("Pictavo " PICTAVO_VERSION));
    QFile device;
    bool written = device.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    if (written) {
        QImageWriter writer(&device, "png");
        // zlib's fastest level (what Qt makes of quality 80): two and a half times quicker
        // than its default for thumbnails a few percent larger.
        writer.setQuality(80);
        written = writer.write(tagged) && device.flush();
        device.close();
    } else {
        ::close(descriptor);
    }
    const QByteArray target = folder + '/' + fileNameFor(source.uri);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0)
        ::unlink(temporary.constData());
}

} // namespace pictavo
