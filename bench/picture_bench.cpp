// Decoding the sample pictures through the picture objects (MakePicture + LoadFromBytes) against
// calling the libraries directly on the same bytes (giflib's DGifSlurp plus drawing the first
// image, libjpeg into a plain buffer, Qt's bitmap reader). Prints objects / direct (target: at
// most 1.1x).
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <gif_lib.h>
#include <jpeglib.h>

#include <QImage>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pictures/Picture.h"

namespace {

namespace fs = std::filesystem;

struct SampleFile {
    std::string name;
    std::string bytes;
};

// Every sample picture that decodes, read once.
const std::vector<SampleFile>& Samples()
{
    static const std::vector<SampleFile> samples = [] {
        std::vector<SampleFile> all;
        for (const char* folder : {"gif", "jpeg", "bmp/g"}) {
            for (const auto& entry : fs::directory_iterator(std::string("../shared/samples/") + folder)) {
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

void DecodeAllDirect()
{
    for (const SampleFile& f : Samples()) {
        const std::string_view ext = PictureExtension(f.name);
        if (ext == "gif")
            DirectGif(f.bytes);
        else if (ext == "jpg")
            DirectJpeg(f.bytes);
        else
            DirectBmp(f.bytes);
    }
}

void DecodeAllObjects()
{
    for (const SampleFile& f : Samples()) {
        std::unique_ptr<Picture> picture = MakePicture(f.name);
        picture->LoadFromBytes(f.bytes, f.name);
        benchmark::DoNotOptimize(picture->Image().constBits());
    }
}

void BM_Direct(benchmark::State& state)
{
    for (auto _ : state)
        DecodeAllDirect();
}

void BM_PictureObjects(benchmark::State& state)
{
    for (auto _ : state)
        DecodeAllObjects();
}

BENCHMARK(BM_Direct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureObjects)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double direct = BestOf(DecodeAllDirect, 20);
    const double objects = BestOf(DecodeAllObjects, 20);
    std::printf("picture objects / libraries called directly (%zu samples): %.2fx (target: at most 1.1x)\n",
                Samples().size(), objects / direct);
    return 0;
}
