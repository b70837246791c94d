#include "jpeg_integrity.h"

#include <csetjmp>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

bool jpegIsIntact(const unsigned char* data, std::size_t size)
{
    // Only plain C objects live in this frame: longjmp skips no destructor.
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = abandonDecode;
    errors.base.emit_message = judgeMessage;
    errors.base.output_message = silence;
    if (setjmp(errors.abandon) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    // At 1/8 scale libjpeg still reads every coefficient but keeps only each block's mean:
    // the entropy decoding, where damage shows, is nearly all of the work.
    info.scale_num = 1;
    info.scale_denom = 8;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    info.do_block_smoothing = FALSE;
    jpeg_start_decompress(&info);
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                info.output_width *
                                                    static_cast<JDIMENSION>(info.output_components),
                                                static_cast<JDIMENSION>(info.rec_outbuf_height));
    while (info.output_scanline < info.output_height)
        jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(info.rec_outbuf_height));
    // Reads on to the end marker, so a file cut off after its last scan is caught too.
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool jpegIsIntact(const std::filesystem::path& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat status {};
    bool intact = false;
    if (::fstat(descriptor, &status) == 0 && status.st_size > 0) {
        const auto size = static_cast<std::size_t>(status.st_size);
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
        if (mapped != MAP_FAILED) {
            intact = jpegIsIntact(static_cast<const unsigned char*>(mapped), size);
            ::munmap(mapped, size);
        }
    }
    ::close(descriptor);
    return intact;
}

} // namespace pictavo::detail
