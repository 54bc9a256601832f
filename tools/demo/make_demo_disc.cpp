// Writes the demo disc into a folder: the description scripts of two languages, in their Windows
// code pages with CR LF line ends, the way a disc's editors wrote them, and the picture archive
// graph\shell.dat (RAR) holding every skin picture the scripts name, in bmp, gif and jpg.
//   make_demo_disc DISC_FOLDER
#include <gif_lib.h>
#include <iconv.h>

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "rarwriter/RarWriter.h"

namespace fs = std::filesystem;

namespace {

// Converts UTF-8 text to a legacy code page, byte for byte as the disc would hold it.
std::string Encode(const std::string& utf8, const char* code_page)
{
    iconv_t cd = iconv_open(code_page, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no converter for ") + code_page);
    std::string in = utf8;
    std::string out(in.size() * 2 + 16, '\0');
    char* src = in.data();
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1))
        throw std::runtime_error(std::string("text does not fit ") + code_page);
    out.resize(out.size() - dst_left);
    return out;
}

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// A skin picture: a vertical gradient between two colours with a frame, `w` x `h` pixels.
QImage SkinPicture(int w, int h, QColor top, QColor bottom)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, h);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(bottom.darker(160));
    painter.drawRect(0, 0, w - 1, h - 1);
    return image;
}

std::string Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, 90))
        throw std::runtime_error(std::string("cannot encode a picture as ") + format);
    return bytes.toStdString();
}

int AppendToString(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data),
                                                      static_cast<std::size_t>(length));
    return length;
}

// A GIF89a picture with a 16-colour palette (Qt writes no GIF).
std::string GifPicture(int w, int h)
{
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendToString, &error);
    if (!gif)
        throw std::runtime_error("cannot start a GIF");
    GifColorType colours[16];
    for (int i = 0; i < 16; ++i)
        colours[i] = GifColorType{static_cast<GifByteType>(30 + i * 14),
                                  static_cast<GifByteType>(60 + i * 10),
                                  static_cast<GifByteType>(120 + i * 8)};
    ColorMapObject* map = GifMakeMapObject(16, colours);
    std::vector<GifByteType> row(static_cast<std::size_t>(w));
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y) {
        for (int x = 0; x < w; ++x)
            row[static_cast<std::size_t>(x)] = static_cast<GifByteType>(((x / 8) + (y / 8)) % 16);
        ok = EGifPutLine(gif, row.data(), w) == GIF_OK;
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok)
        throw std::runtime_error("cannot write a GIF");
    return out;
}

void WritePictureArchive(const fs::path& file)
{
    const QColor green(0x9E, 0xAE, 0x9A);
    const QColor dark(0x30, 0x40, 0x38);
    RarWriter rar(file);
    rar.AddFile("skin\\back.jpg", Encoded(SkinPicture(648, 511, green, dark), "JPG"));
    rar.AddFile("skin\\logo.gif", GifPicture(120, 40));
    rar.AddFile("skin\\side.jpg", Encoded(SkinPicture(140, 400, dark, green), "JPG"));
    rar.AddFile("skin\\top.jpg", Encoded(SkinPicture(480, 36, dark, green), "JPG"));
    rar.AddFile("skin\\opts_back.jpg", Encoded(SkinPicture(360, 260, green, dark), "JPG"));
    rar.AddFile("skin\\strip.jpg", Encoded(SkinPicture(470, 30, QColor(0x20, 0x20, 0x20), dark), "JPG"));
    rar.AddFile("shots\\star1_t.jpg", Encoded(SkinPicture(96, 72, QColor(0x10, 0x10, 0x40), Qt::black), "JPG"));
    const char* buttons[] = {"min", "close", "prev", "setup", "opts", "next", "tab_games",
                             "tab_tools", "tab_music", "sub_action", "sub_puzzle"};
    for (const char* name : buttons) {
        const bool tab = std::string(name).rfind("tab_", 0) == 0 || std::string(name).rfind("sub_", 0) == 0;
        const int w = tab ? 120 : 20;
        const int h = tab ? 32 : 20;
        const std::string base = std::string("skin\\") + name;
        rar.AddFile(base + ".bmp", Encoded(SkinPicture(w, h, green.lighter(120), dark), "BMP"));
        rar.AddFile(base + "_over.bmp", Encoded(SkinPicture(w, h, green.lighter(150), dark), "BMP"));
        rar.AddFile(base + "_down.bmp", Encoded(SkinPicture(w, h, dark, green), "BMP"));
    }
    rar.Finish();
}

struct Texts {
    const char* title;
    const char* games;
    const char* tools;
    const char* music;
    const char* size;
    const char* developer;
    const char* description;
    const char* sysinf;
    const char* run;
    const char* close;
    const char* link_caption;
    const char* link_message;
    const char* game_description;
};

std::string Script(const Texts& t)
{
    std::string s;
    s += "cd\n";
    s += "image\npic = skin\\logo.gif\nleft = 20\ntop = 440\n/image\n";
    s += "back\npic = skin\\back.jpg\nleft = 0\ntop = 0\n/back\n";
    s += "button\nnormal_pic = skin\\min.bmp\nover_pic = skin\\min_over.bmp\n"
         "down_pic = skin\\min_down.bmp\nleft = 600\ntop = 4\n/button\n";
    s += "button\nnormal_pic = skin\\close.bmp\nover_pic = skin\\close_over.bmp\n"
         "down_pic = skin\\close_down.bmp\nleft = 622\ntop = 4\n/button\n";
    s += "side_panel\nimage\npic = skin\\side.jpg\nleft = 0\ntop = 30\n/image\n/side_panel\n";
    s += "top_panel\nimage\npic = skin\\top.jpg\nleft = 150\ntop = 30\n/image\n/top_panel\n";
    s += "control_panel\n";
    s += "button\nnormal_pic = skin\\prev.bmp\nleft = 160\ntop = 470\n/button\n";
    s += "button\nnormal_pic = skin\\setup.bmp\nleft = 260\ntop = 470\n/button\n";
    s += "button\nnormal_pic = skin\\opts.bmp\nleft = 360\ntop = 470\n/button\n";
    s += "button\nnormal_pic = skin\\next.bmp\nleft = 460\ntop = 470\n/button\n";
    s += "/control_panel\n";
    s += "opts_window\nimage\npic = skin\\opts_back.jpg\n/image\ncap_height = 20\n"
         "about_first = .ZUL demo disc\nabout_second = 2026\n/opts_window\n";
    s += "image\npic = skin\\strip.jpg\nleft = 160\ntop = 400\n/image\n";
    s += std::string("title = ") + t.title + "\n";
    s += "cap_height = 26\n";
    s += std::string("size_title = ") + t.size + "\n";
    s += std::string("developer_title = ") + t.developer + "\n";
    s += std::string("description_title = ") + t.description + "\n";
    s += std::string("sysinf_title = ") + t.sysinf + "\n";
    s += std::string("setup_run = ") + t.run + "\n";
    s += std::string("setup_close = ") + t.close + "\n";
    s += std::string("link_caption = ") + t.link_caption + "\n";
    s += std::string("link_message = ") + t.link_message + "\n";
    s += "sm_ad_pic = graph\\ads\\small1.gif\nsm_ad_url = http://example.com/one\n";
    s += "sm_ad_left = 10\nsm_ad_top = 380\nsm_ad_width = 120\nsm_ad_height = 60\nsm_ad_time = 5\n";
    s += "wp_dir = graph\\wallpapers\nwp_time = 30\n";
    s += "music_file = graph\\music\\loop.wav\n";
    s += "/cd\n";
    s += "\n";
    // A software tab with two subs and a music tab.
    s += "tab\nbutton\nnormal_pic = skin\\tab_games.bmp\nleft = 10\ntop = 60\n";
    s += std::string("hint = ") + t.games + "\n/button\n";
    s += "sub\nbutton\nnormal_pic = skin\\sub_action.bmp\nleft = 160\ntop = 34\n/button\n";
    s += "grid_left = 160\ngrid_top = 70\ngrid_width = 200\ngrid_height = 300\n";
    s += "p\ntitle = Star Miner\nsize = 12 MB\ndeveloper = Demo Soft\nzhanr = Arcade\n";
    s += std::string("description = ") + t.game_description + "\n";
    s += "description = v1.2\nsetup = soft\\starminer\\setup.exe\nthumb = shots\\star1_t.jpg\n"
         "pic = soft\\starminer\\star1.jpg\nurl = http://example.com/starminer\n/p\n";
    s += "p\ntitle = Rocket Chess\nsize = 3 MB\nsetup = soft\\chess\\setup.exe\n"
         "setup_description = Full\nsetup = soft\\chess\\lite.exe\nsetup_description = Lite\n/p\n";
    s += "/sub\n";
    s += "sub\nbutton\nnormal_pic = skin\\sub_puzzle.bmp\nleft = 240\ntop = 34\n/button\n";
    s += "p\ntitle = Block Garden\nos = Windows 95/98\n/p\n/sub\n";
    s += "/tab\n";
    s += "tab\nbutton\nnormal_pic = skin\\tab_tools.bmp\nleft = 10\ntop = 100\n";
    s += std::string("hint = ") + t.tools + "\n/button\nnofull_inf = 1\n";
    s += "sub\np\ntitle = Zip Helper\nsysinf = 486DX, 8 MB\n/p\n/sub\n/tab\n";
    s += "tab\nbutton\nnormal_pic = skin\\tab_music.bmp\nleft = 10\ntop = 140\n";
    s += std::string("hint = ") + t.music + "\n/button\nmusic = 1\n";
    s += "sub\nlabel_left = 170\nlabel_top = 80\nlabel_width = 300\nlabel_font_size = -14\n"
         "thumb_left = 400\nthumb_top = 80\n";
    s += "p\ntitle = Track One\nurl = music\\track1.mp3\n/p\n";
    s += "p\ntitle = Track Two\nurl = music\\track2.mid\n/p\n/sub\n/tab\n";
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // image format plugins
    if (argc != 2) {
        std::cerr << "usage: make_demo_disc DISC_FOLDER\n";
        return 2;
    }
    try {
        const fs::path disc = argv[1];
        const Texts ru{"Демо-диск .ZUL", "Игры", "Утилиты", "Музыка", "Размер:",
                       "Разработчик:", "Описание:", "Требования:", "Установить", "Закрыть",
                       "Ссылка", "Открыть страницу?", "Собирайте звёзды и уклоняйтесь от астероидов."};
        const Texts lit{"Demo diskas .ZUL", "Žaidimai", "Įrankiai", "Muzika", "Dydis:",
                        "Kūrėjas:", "Aprašymas:", "Reikalavimai:", "Įdiegti", "Uždaryti",
                        "Nuoroda", "Atidaryti puslapį?", "Rinkite žvaigždes ir venkite asteroidų."};
        WriteFile(disc / "graph" / "image_ru.dat", WithCrLf(Encode(Script(ru), "CP1251")));
        WriteFile(disc / "graph" / "image_lit.dat", WithCrLf(Encode(Script(lit), "CP1257")));
        WritePictureArchive(disc / "graph" / "shell.dat");
        std::cout << "demo disc written to " << disc.string() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "make_demo_disc: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
