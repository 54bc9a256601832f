// JPEG pictures through libjpeg. libjpeg reports a fatal error by calling error_exit, which must
// not return; ours longjmps back into the small function that called libjpeg. Those functions
// (JpegStart, JpegReadRows) hold no C++ objects, so nothing is skipped by the jump; the C++ code
// around them turns the failure into a PictureError after they return.
#include "pictures/Picture.h"

#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <cstring>

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

// Everything one decode needs, plain data only.
struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    jpeg_progress_mgr progress;
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
}

// Reads the header and starts decompression with the output colour space chosen.
// Returns false with job->error.message set (or job->too_large) on failure.
bool JpegStart(JpegJob* job, const unsigned char* data, unsigned long size)
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
    job->progress.progress_monitor = JpegProgress;
    job->cinfo.progress = &job->progress;
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
    jpeg_start_decompress(&job->cinfo);
    return true;
}

// Decodes every row into `pixels` (rows `stride` bytes apart), then finishes.
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

}  // namespace

void JpegPicture::LoadFromBytes(std::string_view bytes, const std::string& name)
{
    image_ = QImage();
    JpegJob job;
    std::memset(&job, 0, sizeof job);

    struct Destroy {
        JpegJob* job;
        ~Destroy()
        {
            if (job->created)
                jpeg_destroy_decompress(&job->cinfo);
        }
    } destroy{&job};

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
