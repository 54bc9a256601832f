// The demo disc's languages, catalogue and tracks; see DemoCatalogue.h. The setups' files are made
// here too: harmless installers that only print a line, and short text and HTML documents.
#include "demo/DemoCatalogue.h"

#include <cstdio>
#include <utility>

#include "demo/DemoFiles.h"

const Language kRussian{"ru", "CP1251", 0};
const Language kLithuanian{"lit", "CP1257", 1};

namespace {

std::string Installer(const std::string& title)
{
    return "#!/bin/sh\n"
           "# Installer of " + title + " from the .ZUL cover disc.\n"
           "# This is a demonstration disc: nothing is copied or changed. Where ZUL_DEMO_MARKER\n"
           "# names a file, a line saying which installer ran is added to it (the tests read it).\n"
           "echo \"" + title + ": demonstration installer, nothing was installed.\"\n"
           "if [ -n \"$ZUL_DEMO_MARKER\" ]; then echo \"" + title + " $0\" >> \"$ZUL_DEMO_MARKER\"; fi\n";
}

std::string TextDocument(const std::string& title)
{
    return WithCrLf(title + "\n" + std::string(title.size(), '=') +
                    "\n\nThis document comes with the .ZUL cover disc demo.\n"
                    "Nothing on this disc installs anything: every installer only prints a line.\n");
}

std::string HtmlDocument(const std::string& title)
{
    return WithCrLf("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
                    "</title></head>\n<body style=\"font-family: Tahoma, sans-serif; background: #f4efdf\">\n"
                    "<h1>" + title + "</h1>\n<p>A document from the .ZUL cover disc demo. "
                    "It installs nothing.</p>\n</body></html>\n");
}

}  // namespace

std::vector<Tab> Catalogue()
{
    const L2 win9x{"Pentium 100, 16 МБ ОЗУ, 30 МБ на диске, DirectX 6", "Pentium 100, 16 MB RAM, 30 MB diske, DirectX 6"};
    std::vector<Tab> tabs;
    tabs.push_back(Tab{
        "games", {"Игры", "Žaidimai"}, Glyph::Star, true,
        {Sub{{"Аркады", "Arkados"}, Glyph::Star,
             {Product{"starminer", "Star Miner", {"Космическая аркада", "Kosminė arkada"}, "1.2",
                      {"Аркада", "Arkada"}, "Nebula Works", "http://nebula.example.com/", "Orbit Soft",
                      "http://orbit.example.com/", {"12 МБ", "12 MB"}, "http://starminer.example.com/",
                      win9x, "Windows 95/98",
                      {{"Собирайте кристаллы в поясе астероидов и уклоняйтесь от метеоров.",
                        "Rinkite kristalus asteroidų žiede ir venkite meteorų."},
                       {"Тридцать уровней, три корабля и таблица рекордов.",
                        "Trisdešimt lygių, trys laivai ir rekordų lentelė."}},
                      ShotStyle::Space, 2, "jpg", "Soft\\StarMiner",
                      {Setup{"Soft\\StarMiner\\Setup.sh", {"Установка игры", "Žaidimo diegimas"}, Installer("Star Miner")},
                       Setup{"soft\\starminer\\readme.txt", {"Описание", "Aprašymas"}, TextDocument("Star Miner")}}},
              Product{"turbodrift", "Turbo Drift 2000", {"Гонки", "Lenktynės"}, "2000",
                      {"Автогонки", "Automobilių lenktynės"}, "Asphalt Lab", "http://asphalt.example.com/",
                      "Asphalt Lab", "", {"24 МБ", "24 MB"}, "http://drift.example.com/",
                      {"Pentium 166, 32 МБ ОЗУ, 3D-ускоритель", "Pentium 166, 32 MB RAM, 3D spartintuvas"},
                      "Windows 98",
                      {{"Шесть трасс, ночные заезды и режим для двух игроков.",
                        "Šešios trasos, naktinės lenktynės ir dviejų žaidėjų režimas."}},
                      ShotStyle::Road, 2, "jpg", "soft\\turbodrift",
                      {Setup{"soft\\turbodrift\\setup.sh", {"Установка", "Diegimas"}, Installer("Turbo Drift 2000")}}},
              Product{"dungeon", "Dungeon of Echoes", {"Ролевая игра", "Vaidmenų žaidimas"}, "0.9 beta",
                      {"Приключения", "Nuotykiai"}, "Cellar Team", "", "", "", {"8 МБ", "8 MB"}, "",
                      {"486DX2-66, 8 МБ ОЗУ", "486DX2-66, 8 MB RAM"}, "Windows 95",
                      {{"Подземелье, которое меняется с каждой новой игрой.",
                        "Požemis, kuris keičiasi kiekvieną kartą."}},
                      ShotStyle::Dungeon, 1, "gif", "soft\\dungeon",
                      {Setup{"soft\\dungeon\\setup.sh", {"Установка", "Diegimas"}, Installer("Dungeon of Echoes")}}}}},
         Sub{{"Логические", "Galvosūkiai"}, Glyph::Gear,
             {Product{"chess", "Rocket Chess", {"Шахматы", "Šachmatai"}, "3.0", {"Логическая", "Loginis"},
                      "Knight Move", "http://knight.example.com/", "Orbit Soft", "http://orbit.example.com/",
                      {"3 МБ", "3 MB"}, "http://chess.example.com/", {"486DX, 8 МБ ОЗУ", "486DX, 8 MB RAM"},
                      "Windows 3.1/95",
                      {{"Шахматы, в которых фигуры взлетают на ракетах.", "Šachmatai, kuriuose figūros kyla raketomis."},
                       {"Есть обучение для начинающих.", "Yra mokymas pradedantiesiems."}},
                      ShotStyle::Chess, 2, "jpg", "Soft\\Chess",
                      {Setup{"soft\\chess\\setup_full.sh", {"Полная версия", "Pilna versija"}, Installer("Rocket Chess")},
                       Setup{"soft\\chess\\setup_lite.sh", {"Облегчённая версия", "Lengvoji versija"},
                             Installer("Rocket Chess Lite")},
                       Setup{"soft\\chess\\rules.html", {"Правила игры", "Žaidimo taisyklės"}, HtmlDocument("Rocket Chess")}}},
              Product{"blocks", "Block Garden", {"Головоломка", "Galvosūkis"}, "1.0", {"Головоломка", "Galvosūkis"},
                      "Green Pixel", "http://greenpixel.example.com/", "", "", {"2 МБ", "2 MB"}, "",
                      {"486SX, 4 МБ ОЗУ", "486SX, 4 MB RAM"}, "Windows 95/98",
                      {{"Выращивайте сад из цветных блоков.", "Auginkite sodą iš spalvotų kaladėlių."}},
                      ShotStyle::Blocks, 1, "bmp", "soft\\blocks",
                      {Setup{"soft\\blocks\\setup.sh", {"Установка", "Diegimas"}, Installer("Block Garden")}}}}}}});
    tabs.push_back(Tab{
        "soft", {"Программы", "Programos"}, Glyph::Gear, false,
        {Sub{{"Система", "Sistema"}, Glyph::Gear,
             {Product{"ziphelper", "Zip Helper", {"Архиватор", "Archyvatorius"}, "3.1", {"Утилита", "Įrankis"},
                      "Small Tools", "http://smalltools.example.com/", "Small Tools", "", {"1,4 МБ", "1,4 MB"},
                      "http://ziphelper.example.com/", {"486, 8 МБ ОЗУ", "486, 8 MB RAM"}, "Windows 95/98/NT",
                      {{"Упаковывает и распаковывает архивы ZIP и RAR.", "Pakuoja ir išpakuoja ZIP ir RAR archyvus."}},
                      ShotStyle::Window, 1, "jpg", "soft\\ziphelper",
                      {Setup{"soft\\ziphelper\\setup.sh", {"Установка", "Diegimas"}, Installer("Zip Helper")},
                       Setup{"Soft\\ZipHelper\\Manual.html", {"Руководство", "Vadovas"}, HtmlDocument("Zip Helper")}}},
              Product{"sweeper", "Disk Sweeper", {"Очистка диска", "Disko valymas"}, "2.5", {"Утилита", "Įrankis"},
                      "Broom Soft", "http://broom.example.com/", "", "", {"900 КБ", "900 KB"}, "",
                      {"486, 8 МБ ОЗУ", "486, 8 MB RAM"}, "Windows 95/98",
                      {{"Находит и удаляет временные файлы.", "Randa ir ištrina laikinus failus."}},
                      ShotStyle::Window, 1, "gif", "soft\\sweeper",
                      {Setup{"soft\\sweeper\\setup.sh", {"Установка", "Diegimas"}, Installer("Disk Sweeper")}}}}},
         Sub{{"Интернет", "Internetas"}, Glyph::Globe,
             {Product{"pageview", "PageView", {"Браузер", "Naršyklė"}, "4.01", {"Интернет", "Internetas"},
                      "WebCraft", "http://webcraft.example.com/", "", "", {"6 МБ", "6 MB"},
                      "http://pageview.example.com/", {"Pentium, 16 МБ ОЗУ, модем", "Pentium, 16 MB RAM, modemas"},
                      "Windows 95/98/NT",
                      {{"Быстрый браузер с вкладками и блокировкой всплывающих окон.",
                        "Greita naršyklė su kortelėmis ir iškylančiųjų langų blokavimu."}},
                      ShotStyle::Window, 1, "jpg", "soft\\pageview",
                      {Setup{"soft\\pageview\\readme.html", {"Описание", "Aprašymas"}, HtmlDocument("PageView")}}},
              Product{"pigeon", "Mail Pigeon", {"Почтовый клиент", "El. pašto programa"}, "1.7",
                      {"Интернет", "Internetas"}, "Feather Inc.", "", "Feather Inc.", "", {"2 МБ", "2 MB"}, "",
                      {"486, 8 МБ ОЗУ, модем", "486, 8 MB RAM, modemas"}, "Windows 95/98",
                      {{"Почта, адресная книга и фильтр спама.", "Paštas, adresų knyga ir šlamšto filtras."}},
                      ShotStyle::Window, 1, "bmp", "soft\\pigeon",
                      {Setup{"soft\\pigeon\\setup.sh", {"Установка", "Diegimas"}, Installer("Mail Pigeon")}}}}}}});
    return tabs;
}

const std::vector<Track>& Tracks()
{
    static const std::vector<Track> tracks = {
        {"Orbit Waltz", {"«Орбитальный вальс» — группа Nebula, 1999", "„Orbitos valsas“ — grupė Nebula, 1999"},
         "Music\\Track01.mid", 0},
        {"Retro Beat", {"«Ретро-бит» — DJ Pixel, ремикс для диска", "„Retro ritmas“ — DJ Pixel, remiksas diskui"},
         "music\\track02.rmi", 1},
        {"Interlude", {"«Интерлюдия» — короткая пауза между пьесами", "„Intarpas“ — trumpa pauzė tarp kūrinių"},
         "music\\interlude.mp3", 3},
        {"Morning Tide", {"«Утренний прилив» — Лина К., фортепиано", "„Rytinis potvynis“ — Lina K., fortepijonas"},
         "music\\track03.mid", 2},
    };
    return tracks;
}

void MakeBig(std::vector<Tab>& tabs, int entries)
{
    std::vector<Product> originals;
    int count = 0;
    for (const Tab& tab : tabs)
        for (const Sub& sub : tab.subs) {
            originals.insert(originals.end(), sub.products.begin(), sub.products.end());
            count += static_cast<int>(sub.products.size());
        }
    std::vector<Product>& group = tabs.front().subs.front().products;
    for (int i = 0; count < entries; ++i, ++count) {
        Product copy = originals[static_cast<std::size_t>(i) % originals.size()];
        char id[16];
        std::snprintf(id, sizeof id, "x%03d", i);
        copy.id = id;
        copy.title += " " + std::to_string(i + 2);
        copy.pictures = 2;
        copy.thumb_ext = "jpg";
        copy.pic_folder = std::string("soft\\big\\") + id;
        group.push_back(std::move(copy));
    }
}
