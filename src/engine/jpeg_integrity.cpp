#include "jpeg_integrity.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <sys/mman.h>

// jpeglib.h needs FILE and size_t declared before it, and jerror.h its version macros.
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace pictavo::detail {

namespace {

// Cameras and editors now and then leave a few padding bytes before a marker; a decoder
// that lost its way in damaged data leaves thousands.
constexpr int kHarmlessStrayBytes = 64;

// The libjpeg warnings that mean part of the picture is missing or wrong:
//   JWRN_JPEG_EOF          "Premature end of JPEG file": the file is cut off
//   JWRN_HIT_MARKER        "premature end of data segment": a scan ends before its last block
//   JWRN_MUST_RESYNC       "found marker … instead of RSTn": blocks between restarts are lost
//   JWRN_HUFF_BAD_CODE     "bad Huffman code": the entropy-coded data is corrupt
//   JWRN_ARITH_BAD_CODE    "bad arithmetic code": the same for arithmetic coding
//   JWRN_BOGUS_PROGRESSION "Inconsistent progression sequence": refinement scans that do not fit
//   JWRN_EXTRANEOUS_DATA   "extraneous bytes before marker", when more than kHarmlessStrayBytes
// Everything else is harmless: a few stray bytes before a marker, an unknown JFIF version or
// Adobe transform code, odd SOS parameters in a sequential file, a damaged ICC marker (the
// profile is read apart from the pixels).
bool isDamage(const jpeg_error_mgr& errors)
{
    switch (errors.msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    case JWRN_EXTRANEOUS_DATA:
        return errors.msg_parm.i[0] > kHarmlessStrayBytes;
    default:
        return false;
    }
}

struct ErrorManager {
    jpeg_error_mgr base; // first, so that libjpeg's pointer to it is one to the whole
    std::jmp_buf abandon;
};

[[noreturn]] void abandonDecode(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->abandon, 1);
}

// Stops at the first damage, so a header that claims a huge picture over a few kilobytes of
// data costs no more than the data there is.
void judgeMessage(j_common_ptr info, int level)
{
    if (level < 0 && isDamage(*info->err))
        abandonDecode(info);
}

void silence(j_common_ptr) {}

// What one judged decode does with the rows: the check alone throws them away as fast as
// libjpeg allows, a decode that keeps them makes the pixels libvips would.
struct DecodeRequest {
    int shrink = 8;
    JpegPixels* keep = nullptr;
    std::size_t maxBytes = 0;
};

// The decoded pixels are the largest buffer of a conversion and are written once, front to back:
// in 2 MB pages the kernel faults them in 512 times less often (the heap glibc takes them from
// is not marked for huge pages by itself).
void adviseHugePages(void* start, std::size_t size)
{
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t begin = (first + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (first + size) & ~(kHugePage - 1);
    if (start != nullptr && end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// Rows offered to one call of jpeg_read_scanlines, which fills as many as its upsampler makes
// at once (rec_outbuf_height, at most 4) and says how far it got.
constexpr int kRowsPerRead = 16;

JpegDecode runDecode(const unsigned char* data, std::size_t size, const DecodeRequest& request)
{
    // Only plain C objects live in this frame: longjmp skips no destructor. The kept pixels
    // belong to the caller's frame, which longjmp does not leave.
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = abandonDecode;
    errors.base.emit_message = judgeMessage;
    errors.base.output_message = silence;
    if (setjmp(errors.abandon) != 0) {
        jpeg_destroy_decompress(&info);
        return JpegDecode::damaged;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned int>(request.shrink);
    JpegPixels* const keep = request.keep;
    if (keep == nullptr) {
        // At 1/8 scale libjpeg still reads every coefficient but keeps only each block's mean:
        // the entropy decoding, where damage shows, is nearly all of the work.
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
        info.do_block_smoothing = FALSE;
    }
    jpeg_calc_output_dimensions(&info);
    const std::size_t rowBytes =
        std::size_t(info.output_width) * static_cast<std::size_t>(info.output_components);
    JSAMPROW rows[kRowsPerRead];
    if (keep != nullptr) {
        if (rowBytes > request.maxBytes / std::max<std::size_t>(info.output_height, 1)) {
            jpeg_destroy_decompress(&info);
            return JpegDecode::tooLarge;
        }
        keep->bytes.reset(static_cast<unsigned char*>(std::malloc(rowBytes * info.output_height)));
        adviseHugePages(keep->bytes.get(), rowBytes * info.output_height);
        if (!keep->bytes) {
            jpeg_destroy_decompress(&info);
            return JpegDecode::tooLarge;
        }
        keep->width = static_cast<int>(info.output_width);
        keep->height = static_cast<int>(info.output_height);
        keep->bands = info.output_components;
        keep->cmyk = info.out_color_space == JCS_CMYK;
    }
    jpeg_start_decompress(&info);
    JSAMPARRAY discard =
        keep != nullptr
            ? nullptr
            : (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                        static_cast<JDIMENSION>(rowBytes),
                                        static_cast<JDIMENSION>(info.rec_outbuf_height));
    while (info.output_scanline < info.output_height) {
        if (keep == nullptr) {
            jpeg_read_scanlines(&info, discard, static_cast<JDIMENSION>(info.rec_outbuf_height));
            continue;
        }
        const JDIMENSION count =
            std::min<JDIMENSION>(kRowsPerRead, info.output_height - info.output_scanline);
        for (JDIMENSION row = 0; row < count; ++row)
            rows[row] = keep->bytes.get() + (info.output_scanline + row) * rowBytes;
        jpeg_read_scanlines(&info, rows, count);
    }
    // Reads on to the end marker, so a file cut off after its last scan is caught too.
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return JpegDecode::intact;
}

} // namespace

bool jpegIsIntact(const unsigned char* data, std::size_t size)
{
    return runDecode(data, size, DecodeRequest{}) == JpegDecode::intact;
}

JpegDecode decodeJpeg(const unsigned char* data, std::size_t size, int shrink, std::size_t maxBytes,
                      JpegPixels& pixels)
{
    const JpegDecode result = runDecode(data, size, DecodeRequest{shrink, &pixels, maxBytes});
    if (result != JpegDecode::intact)
        pixels = JpegPixels{};
    return result;
}

} // namespace pictavo::detail
