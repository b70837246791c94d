#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace pictavo {

// An image file as the shared thumbnail cache names and checks it.
struct ThumbnailSource {
    QByteArray path;  // absolute, links resolved, in the system's bytes
    QByteArray uri;   // file:// and the path's bytes percent-encoded
    qint64 mtime = 0; // whole seconds, as stat gives them
    qint64 size = 0;  // bytes
};

// The desktop's shared thumbnail cache ($XDG_CACHE_HOME/thumbnails, by the freedesktop
// Thumbnail Managing Standard): pictures that file managers and viewers made are reused, and
// what this program decodes is left there for them. A picture counts only while its URI and
// modification time match the file. A cache that cannot be read or written is simply empty;
// no call throws, and every call is safe on any thread.
class ThumbnailCache {
public:
    // The cache of $XDG_CACHE_HOME, or of ~/.cache when that is unset or relative.
    ThumbnailCache();

    // The regular file at `path` (the system's bytes), links followed; nothing when there is
    // none.
    static std::optional<ThumbnailSource> describe(const QByteArray& path);
    // The standard's URI of an absolute canonical path: everything but letters, digits,
    // "-._~" and "/!$&'()*+,;=:@" percent-encoded byte by byte, so names that are not UTF-8
    // keep a URI, and it is the one other programs compute.
    static QByteArray uriFor(const QByteArray& canonicalPath);
    // The picture's file name in a size folder: the URI's MD5 in lowercase hex, then ".png".
    static QByteArray fileNameFor(const QByteArray& uri);

    // A valid picture of `source` from the smallest size folder whose pictures are at least
    // `longSide` on their longer side, else from the larger ones; a null image when none is.
    QImage find(const ThumbnailSource& source, int longSide) const;
    // Leaves `picture` (the whole image, at most kLargeSide a side) as the file's "large"
    // thumbnail. Never for a file inside the cache itself.
    void store(const ThumbnailSource& source, const QImage& picture) const;

    // Whether this program's failure to read `source`, as it is now, is on record.
    bool hasFailed(const ThumbnailSource& source) const;
    void recordFailure(const ThumbnailSource& source) const;

    static constexpr int kLargeSide = 256;

private:
    bool acceptsWritesFor(const ThumbnailSource& source) const;
    QImage validPicture(const QByteArray& file, const ThumbnailSource& source) const;
    void write(const QByteArray& folder, const ThumbnailSource& source,
               const QImage& picture) const;

    QByteArray m_root;
};

} // namespace pictavo
