// Decoding pictures through the picture objects (MakePicture + LoadFromBytes) against calling the
// libraries directly on the same bytes (giflib's DGifSlurp plus drawing the first image, libjpeg
// into a plain buffer, Qt's bitmap reader). Two sets: pictures made here in the kinds and sizes
// of a skin (GIF still and animated, baseline and progressive JPEG, 8- and 24-bit BMP), always;
// and the sample pictures of ../shared/samples, when that folder is there. Prints objects /
// direct for each (target: at most 1.1x). Then checking the JPEGs (CheckBytes, for a picture
// that only needs to be known to decode) against decoding them (LoadFromBytes): check / decode.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <gif_lib.h>
#include <jpeglib.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo/DemoFormats.h"
#include "pictures/Picture.h"

namespace {

namespace fs = std::filesystem;

struct SampleFile {
    std::string name;
    std::string bytes;
};

using PictureSet = std::vector<SampleFile>;

constexpr char kSamplesFolder[] = "../shared/samples";

std::string Encoded(const QImage& image, const char* format, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image)) {
        std::fprintf(stderr, "picture_bench: Qt cannot write %s\n", format);
        std::exit(1);
    }
    return bytes.toStdString();
}

// A skin-like picture: smooth gradients, flat panels and some fine detail.
QImage SkinPicture(int width, int height, int shade)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool panel = (x / 64 + y / 48) % 3 == 0;
            row[x] = panel ? qRgb(30 + shade, 40, 90) : qRgb((x + shade) & 0xFF, (y * 2) & 0xFF, (x ^ y) & 0xFF);
        }
    }
    return image;
}

// A grainy photo: noise over gradients, the costliest kind of JPEG to decode for its size.
QImage GrainyPhoto(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int grain = static_cast<int>(seed >> 27) - 16;
            auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
            row[x] = qRgb(clamp(x * 255 / width + grain), clamp(y * 255 / height + grain), clamp(128 + 2 * grain));
        }
    }
    return image;
}

// The JPEGs of a catalogue's pictures: thumbnails and screenshots, grainy, and a skin picture,
// stored in one scan (baseline) or in several (progressive), once.
const PictureSet& CheckedJpegs(bool progressive)
{
    static const auto make = [](bool several_scans) {
        PictureSet all;
        for (unsigned i = 0; i < 4; ++i) {
            all.push_back({"shot.jpg", Encoded(GrainyPhoto(400, 300, i), "JPG", several_scans)});
            all.push_back({"thumb.jpg", Encoded(GrainyPhoto(160, 120, i + 10), "JPG", several_scans)});
        }
        all.push_back({"back.jpg", Encoded(SkinPicture(648, 511, 0), "JPG", several_scans)});
        return all;
    };
    static const PictureSet baseline = make(false);
    static const PictureSet several = make(true);
    return progressive ? several : baseline;
}

// The pictures made here, once.
const PictureSet& Generated()
{
    static const PictureSet pictures = [] {
        const QImage back = SkinPicture(648, 511, 0);
        const QImage button = SkinPicture(120, 40, 60);
        std::vector<QImage> frames;
        for (int i = 0; i < 8; ++i)
            frames.push_back(SkinPicture(160, 120, 20 * i));
        return PictureSet{
            {"back.jpg", Encoded(back, "JPG", false)},
            {"shot.jpg", Encoded(back, "JPG", true)},
            {"back.bmp", Encoded(back, "BMP", false)},
            {"button.bmp", Encoded(button.convertToFormat(QImage::Format_Indexed8), "BMP", false)},
            {"button.gif", GifFile({button})},
            {"back.gif", GifFile({back})},
            {"intro.gif", GifFile(frames, std::vector<int>(frames.size(), 5))},
        };
    }();
    return pictures;
}

bool SamplesPresent()
{
    std::error_code ec;
    return fs::is_directory(kSamplesFolder, ec);
}

// Every sample picture that decodes, read once; none without the samples folder.
const PictureSet& Samples()
{
    static const PictureSet samples = [] {
        PictureSet all;
        if (!SamplesPresent())
            return all;
        for (const char* folder : {"gif", "jpeg", "bmp/g"}) {
            for (const auto& entry : fs::directory_iterator(std::string(kSamplesFolder) + "/" + folder)) {
                const std::string path = entry.path().string();
                if (!MakePicture(path))
                    continue;
                std::ifstream in(path, std::ios::binary);
                SampleFile f{path, std::string(std::istreambuf_iterator<char>(in), {})};
                try {
                    MakePicture(path)->LoadFromBytes(f.bytes, path);
                } catch (const PictureError&) {
                    continue;
                }
                all.push_back(std::move(f));
            }
        }
        return all;
    }();
    return samples;
}

// --- the libraries called directly ---

struct Reader {
    const std::string* bytes;
    std::size_t pos;
};

int ReadGif(GifFileType* gif, GifByteType* out, int n)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), r->bytes->size() - r->pos);
    std::memcpy(out, r->bytes->data() + r->pos, count);
    r->pos += count;
    return static_cast<int>(count);
}

void DirectGif(const std::string& bytes)
{
    Reader reader{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        std::vector<std::uint32_t> canvas(static_cast<std::size_t>(gif->SWidth) * gif->SHeight);
        for (int y = 0; y < image.ImageDesc.Height && y + image.ImageDesc.Top < gif->SHeight; ++y)
            for (int x = 0; x < image.ImageDesc.Width && x + image.ImageDesc.Left < gif->SWidth; ++x) {
                const int i = image.RasterBits[y * image.ImageDesc.Width + x];
                const GifColorType& c = map->Colors[i < map->ColorCount ? i : 0];
                canvas[static_cast<std::size_t>(y + image.ImageDesc.Top) * gif->SWidth + x + image.ImageDesc.Left] =
                    0xFF000000u | c.Red << 16 | c.Green << 8 | c.Blue;
            }
        benchmark::DoNotOptimize(canvas.data());
    }
    DGifCloseFile(gif, &error);
}

struct JpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void JpegExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void DirectJpeg(const std::string& bytes)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegExit;
    err.pub.emit_message = [](j_common_ptr, int) {};
    static std::vector<unsigned char> pixels;
    if (setjmp(err.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK
                                    ? JCS_CMYK
                                    : JCS_EXT_BGRA;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = std::size_t{cinfo.output_width} * 4;
        pixels.resize(stride * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + cinfo.output_scanline * stride;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
}

void DirectBmp(const std::string& bytes)
{
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP");
    benchmark::DoNotOptimize(image.constBits());
}

void DecodeAllDirect(const PictureSet& pictures)
{
    for (const SampleFile& f : pictures) {
        const std::string_view ext = PictureExtension(f.name);
        if (ext == "gif")
            DirectGif(f.bytes);
        else if (ext == "jpg")
            DirectJpeg(f.bytes);
        else
            DirectBmp(f.bytes);
    }
}

void DecodeAllObjects(const PictureSet& pictures)
{
    for (const SampleFile& f : pictures) {
        std::unique_ptr<Picture> picture = MakePicture(f.name);
        picture->LoadFromBytes(f.bytes, f.name);
        benchmark::DoNotOptimize(picture->Image().constBits());
    }
}

void CheckAll(const PictureSet& pictures)
{
    for (const SampleFile& f : pictures) {
        std::unique_ptr<Picture> picture = MakePicture(f.name);
        picture->CheckBytes(f.bytes, f.name);
        benchmark::DoNotOptimize(picture.get());
    }
}

// Only the JPEGs of a set.
PictureSet Jpegs(const PictureSet& pictures)
{
    PictureSet jpegs;
    for (const SampleFile& f : pictures)
        if (PictureExtension(f.name) == "jpg")
            jpegs.push_back(f);
    return jpegs;
}

void BM_CheckJpegs(benchmark::State& state, const PictureSet* pictures)
{
    for (auto _ : state)
        CheckAll(*pictures);
}

void BM_Direct(benchmark::State& state, const PictureSet* pictures)
{
    for (auto _ : state)
        DecodeAllDirect(*pictures);
}

void BM_PictureObjects(benchmark::State& state, const PictureSet* pictures)
{
    for (auto _ : state)
        DecodeAllObjects(*pictures);
}

void PrintRatio(const PictureSet& pictures, const char* what)
{
    const double direct = BestOf([&] { DecodeAllDirect(pictures); }, 20);
    const double objects = BestOf([&] { DecodeAllObjects(pictures); }, 20);
    std::printf("picture objects / libraries called directly (%zu %s): %.2fx (target: at most 1.1x)\n",
                pictures.size(), what, objects / direct);
}

void PrintCheckRatio(const PictureSet& pictures, const char* what)
{
    const double decode = BestOf([&] { DecodeAllObjects(pictures); }, 20);
    const double check = BestOf([&] { CheckAll(pictures); }, 20);
    std::printf("JPEG check / decode (%zu %s): %.2fx (%.3f ms a picture checked, %.3f ms decoded)\n",
                pictures.size(), what, check / decode, 1e3 * check / static_cast<double>(pictures.size()),
                1e3 * decode / static_cast<double>(pictures.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::RegisterBenchmark("BM_Direct/generated", BM_Direct, &Generated())->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PictureObjects/generated", BM_PictureObjects, &Generated())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_PictureObjects/catalogue_jpegs", BM_PictureObjects, &CheckedJpegs(false))
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_CheckJpegs/catalogue_jpegs", BM_CheckJpegs, &CheckedJpegs(false))
        ->Unit(benchmark::kMillisecond);
    const bool samples = SamplesPresent();
    static const PictureSet sample_jpegs = Jpegs(Samples());
    if (samples) {
        benchmark::RegisterBenchmark("BM_Direct/samples", BM_Direct, &Samples())->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_PictureObjects/samples", BM_PictureObjects, &Samples())
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintRatio(Generated(), "generated pictures");
    PrintCheckRatio(CheckedJpegs(false), "baseline catalogue JPEGs");
    PrintCheckRatio(CheckedJpegs(true), "progressive catalogue JPEGs");
    if (samples) {
        PrintRatio(Samples(), "samples");
        PrintCheckRatio(sample_jpegs, "sample JPEGs");
    } else {
        std::printf("picture_bench: %s not found beside the repository: the sample pictures are skipped\n",
                    kSamplesFolder);
    }
    return 0;
}
