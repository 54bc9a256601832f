// JPEG pictures through libjpeg. libjpeg reports a fatal error by calling error_exit, which must
// not return; ours longjmps back into the small function that called libjpeg. Those functions
// (JpegStart, JpegReadWhole, JpegReadRows) hold no C++ objects, so nothing is skipped by the
// jump; the C++ code around them turns the failure into a PictureError after they return.
#include "pictures/Picture.h"

#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// A progressive JPEG may carry any number of scans; real ones have about ten.
constexpr int kMaxScans = 1000;

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// The progress hook's data: a check skims the scans (see JpegDecodes).
struct JpegProgressManager {
    jpeg_progress_mgr pub;
    bool skim;                  // skip each scan's entropy-coded data where that is sure to be safe
    const unsigned char* data;  // the bytes given to jpeg_mem_src
    std::size_t size;
    int skimmed_scan;           // the last scan met
};

// Everything one decode needs, plain data only.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    JpegProgressManager progress;
    bool created;
    bool cmyk;         // rows come out as CMYK and are converted afterwards
    bool inverted;     // CMYK stored inverted (Adobe)
    bool too_large;
};

extern "C" void JpegErrorExit(j_common_ptr cinfo)
{
    auto* error = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings (corrupt or missing data) are not fatal: libjpeg goes on and fills what is missing.
// Nothing is printed.
extern "C" void JpegEmitMessage(j_common_ptr cinfo, int msg_level)
{
    if (msg_level < 0)
        cinfo->err->num_warnings++;
}

extern "C" void JpegOutputMessage(j_common_ptr) {}

// Where the entropy-coded data of a scan, starting at `from`, ends: at the first marker after it
// other than a restart marker (0xFF, any 0xFF fill bytes, then a code of 0xC0 or more), or at the
// end of the bytes. That marker is one that nothing reading a scan goes past: the entropy decoders
// stop at any marker, restart handling leaves such a marker where it is, and the marker reader,
// skipping what the decoders left, skips only data bytes and restart markers. Returns false when
// the data holds an invalid marker (0xFF then 0x01 to 0xBF): restart handling skips that one or
// not depending on where the decoder meets it, which only decoding the data can tell.
bool EndOfScanData(const unsigned char* data, std::size_t size, std::size_t from, std::size_t* end)
{
    std::size_t at = from;
    for (;;) {
        const void* ff = at < size ? std::memchr(data + at, 0xFF, size - at) : nullptr;
        if (ff == nullptr) {
            *end = size;
            return true;
        }
        const auto marker = static_cast<std::size_t>(static_cast<const unsigned char*>(ff) - data);
        std::size_t code = marker + 1;
        while (code < size && data[code] == 0xFF)
            ++code;
        if (code == size || (data[code] >= 0xC0 && (data[code] < 0xD0 || data[code] > 0xD7))) {
            *end = marker;
            return true;
        }
        if (data[code] != 0 && data[code] < 0xC0)
            return false;
        at = code + 1;  // a stuffed 0xFF data byte or a restart marker
    }
}

// Called by libjpeg before it reads each part of the input (in jpeg_start_decompress, for a file
// of several scans) and before each jpeg_read_scanlines.
extern "C" void JpegProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
        auto* error = reinterpret_cast<JpegErrorManager*>(cinfo->err);
        std::snprintf(error->message, sizeof error->message, "more than %d scans", kMaxScans);
        std::longjmp(error->jump, 1);
    }
    // The first call after a scan's header has been read comes before its data is read: a
    // skimming check moves the input past that data, to the marker that ends it. Only the data of
    // scans whose decoder cannot fail on it: Huffman-coded, but for the first DC scan of a
    // progressive file, whose decoder fails on DC values that overflow (arithmetic-coded data
    // is decoded, too, as libjpeg's checks of its DC values may change between versions).
    auto* progress = reinterpret_cast<JpegProgressManager*>(dinfo->progress);
    if (!progress->skim || dinfo->input_scan_number == progress->skimmed_scan)
        return;
    progress->skimmed_scan = dinfo->input_scan_number;
    if (dinfo->arith_code || (dinfo->progressive_mode && dinfo->Ss == 0 && dinfo->Ah == 0))
        return;
    const JOCTET* at = dinfo->src->next_input_byte;
    std::size_t end = 0;
    // The memory source points at a buffer of its own once the data is used up.
    const std::less<const JOCTET*> before;
    if (dinfo->unread_marker != 0 || before(at, progress->data) || before(progress->data + progress->size, at) ||
        !EndOfScanData(progress->data, progress->size, static_cast<std::size_t>(at - progress->data), &end))
        return;
    dinfo->src->next_input_byte = progress->data + end;
    dinfo->src->bytes_in_buffer = progress->size - end;
}

// Reads the header and starts decompression with the output colour space chosen, the picture
// made at 1/`scale_denom` of its size (a check makes it at 1/8, skimming the scans).
// Returns false with job->error.message set (or job->too_large) on failure.
bool JpegStart(JpegJob* job, const unsigned char* data, unsigned long size, unsigned scale_denom = 1,
               bool skim = false)
{
    job->cinfo.err = jpeg_std_error(&job->error.pub);
    job->error.pub.error_exit = JpegErrorExit;
    job->error.pub.emit_message = JpegEmitMessage;
    job->error.pub.output_message = JpegOutputMessage;
    job->error.message[0] = '\0';
    if (setjmp(job->error.jump) != 0)
        return false;
    jpeg_create_decompress(&job->cinfo);
    job->created = true;
    job->progress.pub.progress_monitor = JpegProgress;
    job->progress.skim = skim;
    job->progress.data = data;
    job->progress.size = size;
    job->cinfo.progress = &job->progress.pub;
    jpeg_mem_src(&job->cinfo, data, size);
    jpeg_read_header(&job->cinfo, TRUE);

    if (static_cast<long long>(job->cinfo.image_width) * job->cinfo.image_height > kMaxPicturePixels) {
        job->too_large = true;
        return false;
    }
    if (job->cinfo.jpeg_color_space == JCS_CMYK || job->cinfo.jpeg_color_space == JCS_YCCK) {
        job->cinfo.out_color_space = JCS_CMYK;
        job->cmyk = true;
        job->inverted = job->cinfo.saw_Adobe_marker != 0;
    } else {
        // Straight into QImage::Format_RGB32 (0xffRRGGBB in native byte order).
        job->cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
    }
    if (scale_denom != 1) {
        job->cinfo.scale_num = 1;
        job->cinfo.scale_denom = scale_denom;
    }
    jpeg_start_decompress(&job->cinfo);
    return true;
}

// After JpegStart at full size: whether the file has several scans, which jpeg_start_decompress
// has then read whole. Reading the rows of such a file only turns the coefficients read into
// pixels; the one thing there that can fail is the progress hook (the scan count), which the
// first row's read calls and which is called here the same way. Returns false on failure.
bool JpegReadWhole(JpegJob* job, bool* multiple_scans)
{
    if (setjmp(job->error.jump) != 0)
        return false;
    *multiple_scans = jpeg_has_multiple_scans(&job->cinfo) != 0;
    if (*multiple_scans)
        JpegProgress(reinterpret_cast<j_common_ptr>(&job->cinfo));
    return true;
}

// Decodes every row into `pixels` (rows `stride` bytes apart; 0 puts every row into the same
// place), then finishes.
bool JpegReadRows(JpegJob* job, unsigned char* pixels, std::size_t stride)
{
    if (setjmp(job->error.jump) != 0)
        return false;
    while (job->cinfo.output_scanline < job->cinfo.output_height) {
        JSAMPROW row = pixels + job->cinfo.output_scanline * stride;
        jpeg_read_scanlines(&job->cinfo, &row, 1);
    }
    jpeg_finish_decompress(&job->cinfo);
    return true;
}

// Turns CMYK pixels (4 bytes each, in place) into RGB32. Inverted (Adobe) values are the ink's
// complement already, so red = C * K / 255; plain values are complemented first.
void CmykToRgb(QImage& image, bool inverted)
{
    for (int y = 0; y < image.height(); ++y) {
        uchar* p = image.scanLine(y);
        QRgb* out = reinterpret_cast<QRgb*>(p);
        for (int x = 0; x < image.width(); ++x) {
            unsigned c = p[4 * x], m = p[4 * x + 1], ye = p[4 * x + 2], k = p[4 * x + 3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            const auto scale = [k](unsigned v) { return static_cast<int>((2 * v * k + 255) / 510); };
            out[x] = qRgb(scale(c), scale(m), scale(ye));
        }
    }
}

// Ends the decompressor of a job, however the function holding it ends.
struct JpegDestroy {
    JpegJob* job;
    ~JpegDestroy()
    {
        if (job->created)
            jpeg_destroy_decompress(&job->cinfo);
    }
};

// Whether a decode of `data` is sure to succeed, found without making the picture. A decode fails
// either while it starts (the header, the tables, setting up the output: all within JpegStart;
// for a file of several scans, all of its input is read there too) or while it reads the rows
// and finishes (for a file of one scan, its data is read then, and, in jpeg_finish_decompress,
// every marker up to EOI). The check runs the same two steps:
//  - it starts exactly as a decode does, at full size, so a failure there is the real one; a
//    file of several scans is then read whole (JpegReadWhole says what is left);
//  - a file of one scan is then decoded at 1/8 of its size (an 8x8 block gives one pixel),
//    reading every row and finishing. What depends on the scale (inverse DCT, upsampling, colour
//    conversion) can fail only while being set up, and such a failure of the small decode only
//    means that the full decode is run after all.
// Both skim the scans (JpegProgress): libjpeg's Huffman decoders never fail on a scan's data (a
// bad code, a marker inside the data or data ending early is a warning, after which they fill in
// zeros; restart markers missing or out of order are resynchronised with warnings too), but for
// the first DC scan of a progressive file, which fails on DC values that overflow. So for the
// other scans what can fail is only what follows them (another scan, a second frame header, a
// bad table, an unknown marker). The marker reader reads that from the marker ending the data
// (EndOfScanData), wherever within the data the decoder stopped; so the check moves the input to
// that marker when such a scan starts, the decoder meets it at once and fills the scan with
// zeros, and the marker reader goes on from the same marker over the same bytes. Any other scan
// (and one whose data holds an invalid marker) is decoded as it is; at 1/8, the Huffman decoder
// reads the AC coefficients and drops them rather than storing them: the same bits.
// A check that fails for any reason is followed by the full decode, which raises its own text:
// failures are rare, and their text is exact by construction. The full picture's memory is not
// taken here: a picture that finds no room for its pixels fails when it is shown instead.
bool JpegDecodes(const unsigned char* data, unsigned long size)
{
    {
        JpegJob job;
        std::memset(&job, 0, sizeof job);
        const JpegDestroy destroy{&job};
        bool multiple_scans = false;
        if (!JpegStart(&job, data, size, 1, true) || !JpegReadWhole(&job, &multiple_scans))
            return false;
        if (multiple_scans)
            return true;
    }
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    const JpegDestroy destroy{&job};
    if (!JpegStart(&job, data, size, 8, true))
        return false;
    std::vector<unsigned char> row(static_cast<std::size_t>(job.cinfo.output_width) *
                                   static_cast<std::size_t>(job.cinfo.output_components));
    return JpegReadRows(&job, row.data(), 0);
}

}  // namespace

void JpegPicture::CheckBytes(std::string_view bytes, const std::string& name)
{
    image_ = QImage();
    if (JpegDecodes(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size())))
        return;
    LoadFromBytes(bytes, name);  // raises the decode's own failure
    image_ = QImage();           // the small decode failed where the full one does not
}

void JpegPicture::LoadFromBytes(std::string_view bytes, const std::string& name)
{
    image_ = QImage();
    JpegJob job;
    std::memset(&job, 0, sizeof job);

    const JpegDestroy destroy{&job};

    if (!JpegStart(&job, reinterpret_cast<const unsigned char*>(bytes.data()),
                   static_cast<unsigned long>(bytes.size()))) {
        if (job.too_large)
            throw PictureError(name, "the picture is too large (" + std::to_string(job.cinfo.image_width) +
                                         "x" + std::to_string(job.cinfo.image_height) + ")");
        throw PictureError(name, std::string("cannot decode JPEG: ") + job.error.message);
    }
    QImage decoded(static_cast<int>(job.cinfo.output_width), static_cast<int>(job.cinfo.output_height),
                   QImage::Format_RGB32);
    if (decoded.isNull())
        throw PictureError(name, "not enough memory for the picture");
    if (!JpegReadRows(&job, decoded.bits(), static_cast<std::size_t>(decoded.bytesPerLine())))
        throw PictureError(name, std::string("cannot decode JPEG: ") + job.error.message);
    if (job.cmyk)
        CmykToRgb(decoded, job.inverted);
    image_ = std::move(decoded);
}
