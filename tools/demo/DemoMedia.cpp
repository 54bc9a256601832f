// The demo disc's pictures, sounds, tracks, cursors, installers and library stand-ins; see
// DemoMedia.h.
#include "demo/DemoMedia.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <random>

#include "demo/DemoFiles.h"
#include "demo/DemoFormats.h"
#include "demo/DemoPictures.h"
#include "demo/DemoSkin.h"
#include "rarwriter/RarWriter.h"

namespace fs = std::filesystem;

namespace {

// The size of the catalogue's thumbnails and of the tracks' covers.
constexpr int kThumbW = 160, kThumbH = 120, kCoverSize = 120;

// `image` with grain of a photograph's kind, the same for the same `seed`.
QImage Grained(QImage image, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> grain(0.0, 26.0);
    const auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = static_cast<int>(grain(random));
            row[x] = qRgb(clamp(qRed(row[x]) + n), clamp(qGreen(row[x]) + n), clamp(qBlue(row[x]) + n));
        }
    }
    return image;
}

// Sounds: `f(t)` gives the sample at t seconds.
template <typename F>
std::vector<float> Synth(double seconds, int rate, F f)
{
    std::vector<float> out(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(f(static_cast<double>(i) / rate));
    return out;
}

// A plucked tone: a sine with a few overtones and an exponential decay.
double Pluck(double t, double freq, double decay)
{
    if (t < 0)
        return 0;
    const double w = 2 * M_PI * freq * t;
    return std::exp(-t * decay) * (std::sin(w) + 0.35 * std::sin(2 * w) + 0.15 * std::sin(3 * w)) / 1.5 *
           std::min(1.0, t * 400);
}

}  // namespace

void AddCatalogueThumbnails(RarWriter& rar, const std::vector<Tab>& tabs, const fs::path& disc, bool big)
{
    unsigned seed = 1;
    for (const Tab& tab : tabs)
        for (const Sub& sub : tab.subs)
            for (const Product& product : sub.products)
                for (int k = 1; k <= product.pictures; ++k) {
                    const QImage full = Screenshot(product.style, k, 480, 360, Q(product.title));
                    WriteDiscFile(disc, product.pic_folder + "\\Shot" + std::to_string(k) + ".jpg",
                                  EncodedPicture(full.convertToFormat(QImage::Format_RGB32), "JPG", 88));
                    const QImage drawn = Screenshot(product.style, k, big ? 2 * kThumbW : kThumbW,
                                                    big ? 2 * kThumbH : kThumbH, {})
                                             .convertToFormat(QImage::Format_RGB32);
                    const QImage thumb = big ? Grained(drawn, seed++) : drawn;
                    const std::string name = "shots\\" + product.id + "_" + std::to_string(k) + "." + product.thumb_ext;
                    if (product.thumb_ext == "gif")
                        rar.AddFile(name, GifFile({thumb}));
                    else if (product.thumb_ext == "bmp")
                        rar.AddFile(name, EncodedPicture(thumb, "BMP"));
                    else
                        rar.AddFile(name, EncodedPicture(thumb, "JPG", big ? 95 : 90));
                }
    for (const Track& track : Tracks())
        rar.AddFile("shots\\cover" + std::to_string(track.variant + 1) + ".jpg",
                    EncodedPicture(Cover(track.variant, kCoverSize, kCoverSize, Q(track.title))
                                       .convertToFormat(QImage::Format_RGB32),
                                   "JPG", 90));
}

void WriteInstallers(const fs::path& disc, const std::vector<Tab>& tabs)
{
    for (const Tab& tab : tabs)
        for (const Sub& sub : tab.subs)
            for (const Product& product : sub.products)
                for (const Setup& setup : product.setups) {
                    WriteDiscFile(disc, setup.path, setup.bytes);
                    if (setup.path.size() > 3 && setup.path.compare(setup.path.size() - 3, 3, ".sh") == 0)
                        fs::permissions(OnDisc(disc, setup.path),
                                        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                                        fs::perm_options::add);
                }
}

void WriteSounds(const fs::path& disc)
{
    const int rate = 22050;
    auto chime = [&](std::vector<double> freqs, double step, double decay, double length) {
        return Synth(length, rate, [&](double t) {
            double v = 0;
            for (std::size_t i = 0; i < freqs.size(); ++i)
                v += Pluck(t - static_cast<double>(i) * step, freqs[i], decay);
            return 0.5 * v;
        });
    };
    auto click = [&](double freq) {
        return Synth(0.06, rate, [&](double t) { return 0.7 * std::exp(-t * 90) * std::sin(2 * M_PI * freq * t); });
    };
    const std::string exit_sound = WavFile(chime({784, 659, 523, 392}, 0.09, 7, 0.9), rate, 16);
    WriteFile(disc / "graph" / "звуки" / "выход.wav", exit_sound);
    WriteFile(disc / "graph" / "garsai" / "išėjimas.wav", exit_sound);
    WriteDiscFile(disc, "graph\\sounds\\options.wav", WavFile(chime({523, 659}, 0.07, 12, 0.4), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\ok.wav", WavFile(chime({659, 988}, 0.06, 14, 0.35), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\cancel.wav", WavFile(chime({494, 370}, 0.06, 14, 0.35), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\picture.wav", WavFile(chime({880, 1109, 1319}, 0.04, 16, 0.4), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\select.wav", WavFile(click(1800), rate, 8));
    WriteDiscFile(disc, "graph\\sounds\\setup.wav", WavFile(chime({392, 523, 659, 784}, 0.05, 10, 0.6), rate, 16));
    WriteDiscFile(disc, "graph\\sounds\\link.wav", WavFile(chime({1047, 1319}, 0.05, 18, 0.3), rate, 8));
    WriteDiscFile(disc, "graph\\sounds\\tab.wav", WavFile(click(1200), rate, 16));

    // Background music: two loops of whole bars, so that they repeat without a seam.
    const int music_rate = 11025;
    auto loop = [&](std::vector<double> notes, double beat, double decay) {
        const double length = beat * static_cast<double>(notes.size());
        return Synth(length, music_rate, [&, length](double t) {
            double v = 0;
            for (std::size_t i = 0; i < notes.size(); ++i) {
                const double start = static_cast<double>(i) * beat;
                double dt = t - start;
                if (dt < 0)
                    dt += length;  // the tail of the last notes sounds at the start of the loop
                v += Pluck(dt, notes[i], decay);
                v += 0.5 * Pluck(dt, notes[i] / 2, decay * 0.6) * (i % 4 == 0 ? 1 : 0);
            }
            return 0.35 * v;
        });
    };
    WriteDiscFile(disc, "graph\\music\\lounge.wav",
                  WavFile(loop({262, 330, 392, 494, 440, 392, 330, 294, 262, 330, 392, 523, 494, 392, 330, 294}, 0.25, 4),
                          music_rate, 8));
    WriteDiscFile(disc, "graph\\music\\groove.wav",
                  WavFile(loop({220, 220, 330, 262, 294, 294, 392, 330, 220, 262, 330, 440, 392, 330, 294, 262}, 0.2, 6),
                          music_rate, 16));
}

void WriteTracks(const fs::path& disc)
{
    const int tpq = 96;
    // Orbit Waltz: a melody over a waltz bass, in 3/4.
    std::vector<MidiNote> waltz;
    const int melody[] = {67, 71, 74, 72, 71, 69, 67, 66, 67, 69, 71, 67};
    for (int bar = 0; bar < 8; ++bar) {
        const int root = bar % 2 == 0 ? 43 : 50;
        waltz.push_back({bar * 3 * tpq, tpq, root, 80, 1});
        waltz.push_back({bar * 3 * tpq + tpq, tpq, root + 16, 60, 1});
        waltz.push_back({bar * 3 * tpq + 2 * tpq, tpq, root + 19, 60, 1});
    }
    for (int i = 0; i < 24; ++i)
        waltz.push_back({i * tpq, tpq - 8, melody[i % 12] + (i >= 12 ? 12 : 0), 100, 0});
    WriteDiscFile(disc, "music\\track01.mid", MidiFile(waltz, tpq, 500000, {{0, 11}, {1, 0}}));

    // Retro Beat: square lead, bass and drums (channel 10), wrapped as RMID.
    std::vector<MidiNote> beat;
    for (int step = 0; step < 32; ++step) {
        const int t = step * tpq / 2;
        beat.push_back({t, tpq / 4, step % 4 == 0 ? 36 : 42, 100, 9});
        if (step % 8 == 4)
            beat.push_back({t, tpq / 4, 38, 110, 9});
        beat.push_back({t, tpq / 2 - 4, (step / 8) % 2 == 0 ? 36 : 41, 90, 1});
        if (step % 2 == 0)
            beat.push_back({t, tpq / 2, 60 + (step * 5) % 12, 90, 0});
    }
    WriteDiscFile(disc, "music\\track02.rmi", RmidFile(MidiFile(beat, tpq, 400000, {{0, 80}, {1, 38}})));

    // Interlude: six seconds of silence played through the mp3 decoder module, its length exact
    // from the Info header (230 frames of 1,152 samples, less the decoder's delay of 529).
    WriteDiscFile(disc, "music\\interlude.mp3", SilentMp3(230, 44100, Mp3LengthHeader::Info));

    // Morning Tide: slow piano arpeggios.
    std::vector<MidiNote> tide;
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    for (int bar = 0; bar < 8; ++bar)
        for (int i = 0; i < 4; ++i)
            tide.push_back({(bar * 4 + i) * tpq, tpq * 2, chords[bar % 4][i % 3] + (i == 3 ? 12 : 0), 70 + i * 5, 0});
    WriteDiscFile(disc, "music\\track03.mid", MidiFile(tide, tpq, 750000, {{0, 0}}));
}

void WriteBannersAndWallpapers(const fs::path& disc)
{
    WriteDiscFile(disc, "graph\\ads\\sm_ad1.gif",
                  GifFile({Advert(100, 100, 3, QStringLiteral("Orbit Soft"), QStringLiteral("games since 1994"))
                               .convertToFormat(QImage::Format_RGB32)}));
    WriteDiscFile(disc, "graph\\ads\\sm_ad2.jpg",
                  EncodedPicture(Advert(100, 100, 1, QStringLiteral(".ZUL"), QStringLiteral("zul.example.com"))
                                     .convertToFormat(QImage::Format_RGB32),
                                 "JPG", 90));
    WriteDiscFile(disc, "graph\\ads\\ad1.jpg",
                  EncodedPicture(Advert(468, 60, 0, QStringLiteral("STAR MINER 1.2"),
                                        QStringLiteral("full version in stores now"))
                                     .convertToFormat(QImage::Format_RGB32),
                                 "JPG", 90));
    WriteDiscFile(disc, "graph\\ads\\ad2.gif",
                  GifFile({Advert(468, 60, 2, QStringLiteral("PageView 4"), QStringLiteral("the web, faster"))
                               .convertToFormat(QImage::Format_RGB32)}));
    WriteDiscFile(disc, "graph\\ads\\ad3.bmp",
                  EncodedPicture(Advert(468, 60, 4, QStringLiteral(".ZUL magazine"),
                                        QStringLiteral("subscribe: zul.example.com"))
                                     .convertToFormat(QImage::Format_RGB32),
                                 "BMP"));
    const char* folders[] = {"space", "retro"};
    for (int f = 0; f < 2; ++f)
        for (int v = 0; v < 3; ++v)
            WriteDiscFile(disc, std::string("graph\\wallpapers\\") + folders[f] + "\\" + folders[f] +
                                    std::to_string(v + 1) + ".jpg",
                          EncodedPicture(Wallpaper(f, v).convertToFormat(QImage::Format_RGB32), "JPG", 88));
}

void WriteCursors(const fs::path& disc)
{
    WriteDiscFile(disc, "graph\\cursors\\main.cur", CursorFile(ArrowCursor(), 1, 1));
    WriteDiscFile(disc, "graph\\cursors\\link.ani", AnimatedCursorFile(HandCursorFrames(), 10, 1, 8));
}

void WriteSplash(const fs::path& disc, const Language& lang, const fs::path& look)
{
    const std::vector<QImage> frames =
        SplashFrames(Q(L2{"Диск журнала .ZUL", "Žurnalo .ZUL diskas"}(lang)),
                     Q(L2{"Выпуск 4 · апрель 2026 · загрузка…", "Nr. 4 · 2026 m. balandis · įkeliama…"}(lang)));
    std::vector<int> delays(frames.size(), 18);
    delays.back() = 120;
    WriteFile(disc / "graph" / "splash" / lang.code / "Intro.gif", GifFile(frames, delays));
    if (!look.empty())
        frames.back().save(QString::fromStdString((look / (std::string(lang.code) + "-splash.png")).string()));
}

std::string WindowsLibraryStub(const std::string& name)
{
    std::string bytes("MZ\x90\x00\x03\x00\x00\x00\x04\x00\x00\x00\xFF\xFF\x00\x00", 16);
    bytes += "This program cannot be run in DOS mode. (" + name + " of the .ZUL demo disc)";
    return bytes;
}
