#include "site/SiteExport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QImageWriter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

#include "controls/Label.h"
#include "controls/StringGrid.h"
#include "controls/Zulwid.h"
#include "pictures/PictureFile.h"
#include "platform/CursorFile.h"
#include "site/Places.h"
#include "site/SiteBoxes.h"
#include "site/SiteScenery.h"
#include "site/SiteSound.h"
#include "site/StripText.h"
#include "sound/EventSound.h"
#include "sound/Sounds.h"
#include "disc/DiscCopy.h"
#include "platform/LinkDocuments.h"
#include "platform/Opener.h"
#include "controls/Banner.h"
#include "windows/SelectLangForm.h"
#include "windows/Setupwin.h"
#include "platform/DiscText.h"
#include "disc/Files.h"

namespace fs = std::filesystem;

namespace {

// The page's own files, built into the program.
constexpr const char* kPageFiles[] = {"index.html", "site.js", "site.css"};

void WriteBytes(const fs::path& file, const QByteArray& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.constData(), bytes.size());
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

// What the copies of the setups' folders hold at most, as the menu's copies out of an image.
constexpr std::uintmax_t kMaxCopiedBytes = std::uintmax_t{4} << 30;
// How much of a file tells whether it is a document.
constexpr std::size_t kDocumentHead = 512;

// What a click on a control does on the page.
struct Role {
    // "tab", "sub", "list", "prev", "next", "entry" (shows or hides the info box), "picture" (opens
    // the viewer), "setup", "options", "play", "stop", "link", "min", "close"
    QString name;
    int index = -1;
};

class SiteWriter {
public:
    SiteWriter(OffscreenMenu& menu, const Inf_shell& description, const fs::path& folder, const SiteOptions& options)
        : menu_(menu), description_(description), folder_(folder), options_(options)
    {
        fs::create_directories(folder_ / "img");
        FindRoles();
    }

    void Write();

private:
    // What a click on each of the menu's controls does.
    void FindRoles();
    // The state the menu is in now: the indexes of its layers, from the lowest up.
    QJsonArray Capture();
    // The full-size pictures of an entry, for the picture viewer: their indexes in pictures_list_.
    QJsonArray EntryPictures(const SoftTabElement& entry);
    // The setups of an entry: their indexes in setups_list_, their folders copied into the site.
    QJsonArray EntrySetups(const SoftTabElement& entry);
    // The index in links_list_ of a link the menu opens after its question: where the site opens it.
    int Link(const std::string& link);
    // The menu's event sounds as the menu would play them: each event's file decoded by the menu's
    // own reader and compressed; an event whose sound does not load is silent.
    QJsonObject EventSounds();
    // A music tab's track, for the page's player: an mp3 from the site's copy of its folder, a MIDI
    // file rendered through the menu's sequencer; nothing for a track the menu does not play.
    QJsonValue Track(const SoftTabElement& entry);
    // The strip that shows the playing track, and where its text goes.
    QJsonObject MusicStrip();
    // The strip's text for a track of `title` in the menu's pixels, for times of one and of two
    // minute digits (null where the page writes the text itself).
    QJsonArray StripDigitPictures(const std::string& title);
    // Every advertisement of a banner drawn in its place over `below` (the window as drawn under
    // the banner), for the page to change them as the banner does; its index in banners_list_.
    int BannerAds(Banner& banner, const QImage& below);
    // The disc's own cursors (an animated one by its first frame): the main one and the one over
    // links; none when either does not load, as the menu then takes the standard ones.
    QJsonObject Cursors();
    // The options window in each look the site's settings give it, with the pressed looks of its
    // buttons, and the background music it switches on.
    QJsonObject OptionsWindow();
    // The language question, drawn with each language chosen in it.
    QJsonObject LanguageQuestion();
    // The setup window of an entry with several setups, drawn once for each setup chosen in it.
    QJsonObject SetupWindow(const SoftTabElement& entry);
    // The site's address of a file or folder of the disc that its copy holds.
    QString SiteAddress(const fs::path& disc_file) const;
    // Copies a folder of the disc with everything in it to its place under disc/, once.
    void CopyFolder(const fs::path& disc_folder);
    // A picture written as a PNG, once, named by its content; its address in the site.
    QString Store(const QImage& image);
    // Store as the drawing helpers take it.
    const StorePicture store_ = [this](const QImage& image) { return Store(image); };
    // A file written as it is into `folder` ("img/", "snd/"), named by its content.
    QString StoreFile(const std::string& bytes, const QString& folder, const QString& extension);
    // The index of a layer among the site's layers, added when it is new.
    int Layer(const QJsonObject& layer);

    OffscreenMenu& menu_;
    const Inf_shell& description_;
    fs::path folder_;
    SiteOptions options_;
    std::map<const QWidget*, Role> roles_;
    std::map<std::string, int> setup_ids_;  // disc path -> index in setups_list_
    QJsonArray setups_list_;
    std::map<std::string, int> link_ids_;  // link -> index in links_list_
    QJsonArray links_list_;
    std::map<std::string, int> box_ids_;  // a link's question -> its index in box_texts_
    std::vector<std::string> box_texts_;  // the link questions, drawn once the states are written
    std::map<const QWidget*, QWidget*> link_sources_;  // a control -> the control whose hint is its link
    std::vector<fs::path> copied_;  // the disc folders copied so far
    std::uintmax_t copied_bytes_ = 0;
    std::map<QByteArray, QString> pictures_;  // content hash -> file
    // The pictures written, by their pixels' two hashes under seeds of this run and their size.
    using QuickKey = std::array<std::uint64_t, 3>;
    std::map<QuickKey, QString> stored_;
    const std::array<std::size_t, 2> quick_seeds_{QRandomGenerator::system()->generate64() | 1,
                                                  QRandomGenerator::system()->generate64() | 1};
    std::map<QByteArray, int> layer_ids_;     // layer as JSON -> its index
    // What each control's place looked like when last drawn, and the pictures written for it.
    struct Drawn {
        QImage below;
        QImage normal;
        bool pressable = false;
        QJsonObject pictures;
    };
    std::map<const QWidget*, Drawn> drawn_;
    int window_layer_ = -1;  // the window's own background
    std::map<const Banner*, int> banner_ids_;  // a banner -> its index in banners_list_
    QJsonArray banners_list_;
    QJsonArray layers_;
    std::map<std::string, int> picture_ids_;  // disc path -> index in pictures_list_
    QJsonArray pictures_list_;
};

void SiteWriter::FindRoles()
{
    ZUL_shell& shell = menu_.Shell();
    roles_[&menu_.MinButton()] = {"min"};
    roles_[&menu_.CloseButton()] = {"close"};
    const auto& tabs = shell.Side().Buttons();
    for (std::size_t i = 0; i < tabs.size(); ++i)
        roles_[tabs[i].get()] = {"tab", static_cast<int>(i)};
    for (const auto& row : shell.Top().Rows())
        for (std::size_t i = 0; i < row.size(); ++i)
            roles_[row[i].get()] = {"sub", static_cast<int>(i)};
    roles_[shell.Controls().Button(0)] = {"prev"};
    roles_[shell.Controls().Button(3)] = {"next"};
    roles_[shell.Controls().Button(1)] = {"setup"};
    roles_[shell.Controls().Button(2)] = {"options"};
    roles_[shell.MusicControls().OptionsButton()] = {"options"};
    roles_[shell.MusicControls().PlayButton()] = {"play"};
    roles_[shell.MusicControls().StopButton()] = {"stop"};
    roles_[shell.MusicControls().PreviousButton()] = {"prev"};
    roles_[shell.MusicControls().NextButton()] = {"next"};
    const MainFrame& frame = shell.Frame();
    for (std::size_t t = 0; t < description_.main_frame.tabs.size(); ++t) {
        const sub_se& tab = description_.main_frame.tabs[t];
        for (std::size_t s = 0; s < tab.sels.size(); ++s) {
            const mf_aux& view = frame.View(static_cast<int>(t), static_cast<int>(s));
            roles_[view.list.get()] = {"list"};
            if (tab.music)
                continue;
            for (int n : {1, 2, 3, 5})
                roles_[&view.L(n)] = {"entry"};
            if (tab.full_inf)
                roles_[&view.L(4)] = {"entry"};
            roles_[view.thumbnail.get()] = {"entry"};
        }
    }
    for (const auto& pictures : frame.TabPictures())
        for (const auto& picture : pictures)
            roles_[picture.get()] = {"entry"};
    // The info box goes back to the entry's view on a click anywhere but its links and thumbnails.
    MF_inf& box = frame.InfoBox();
    for (QWidget* w : std::initializer_list<QWidget*>{
             box.Title(), box.SecondLine(), box.SysinfCaption(), box.SysinfValue(), box.DescriptionCaption(),
             box.DescriptionValue(), box.TopBevel(), box.ColumnBevel(), box.SeparatorBevel(), box.RowsBevel(),
             box.SysinfBevel(), box.DescriptionBevel(), box.Value(0), box.Value(1)})
        roles_[w] = {"entry"};
    for (int row = 0; row < MF_inf::kRows; ++row)
        roles_[box.Caption(row)] = {"entry"};
    for (int row : {2, 3, 4})
        link_sources_[box.Value(row)] = box.Value(row);
    for (std::size_t t = 0; t < description_.main_frame.tabs.size(); ++t)
        if (!description_.main_frame.tabs[t].full_inf && !description_.main_frame.tabs[t].music)
            for (std::size_t s = 0; s < description_.main_frame.tabs[t].sels.size(); ++s) {
                TLabel& developer = frame.View(static_cast<int>(t), static_cast<int>(s)).L(4);
                link_sources_[&developer] = &developer;
            }
    link_sources_[shell.Side().LinkButton()] = shell.Side().LinkButton();
    for (Banner* banner : {shell.Side().PanelBanner(), shell.MainBanner()})
        if (banner != nullptr)
            link_sources_[banner] = banner->PictureControl();
    roles_[box.Thumbnail(0)] = {"picture", 0};
    roles_[box.Thumbnail(1)] = {"picture", 1};
}

QString SiteWriter::Store(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    // Most pictures the states are drawn with have been written already: they are looked up by a
    // quick key of their pixels, and only a new one is encoded, and named by its file's content.
    const QByteArrayView pixels(reinterpret_cast<const char*>(rgb.constBits()), rgb.sizeInBytes());
    const QuickKey quick{qHashBits(pixels.data(), static_cast<std::size_t>(pixels.size()), quick_seeds_[0]),
                         qHashBits(pixels.data(), static_cast<std::size_t>(pixels.size()), quick_seeds_[1]),
                         (std::uint64_t{static_cast<std::uint32_t>(rgb.width())} << 32) |
                             static_cast<std::uint32_t>(rgb.height())};
    if (auto it = stored_.find(quick); it != stored_.end())
        return it->second;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    // Quality 60 is zlib's level 3: for these pictures (flat skins, text, a few photographs)
    // smaller files than the default level 6 in well under its time.
    writer.setQuality(60);
    if (!writer.write(rgb))
        throw std::runtime_error("cannot encode a picture of the site");
    const QString name = StoreFile(png.toStdString(), QStringLiteral("img/"), QStringLiteral(".png"));
    stored_.emplace(quick, name);
    return name;
}

QString SiteWriter::StoreFile(const std::string& bytes, const QString& folder, const QString& extension)
{
    const QByteArray data = QByteArray::fromStdString(bytes);
    const QByteArray key = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    if (auto it = pictures_.find(key); it != pictures_.end())
        return it->second;
    fs::create_directories(folder_ / folder.toStdString());
    const QString name = folder + QString::fromLatin1(key.toHex().left(20)) + extension;
    WriteBytes(folder_ / name.toStdString(), data);
    pictures_.emplace(key, name);
    return name;
}

int SiteWriter::Layer(const QJsonObject& layer)
{
    const QByteArray key = QJsonDocument(layer).toJson(QJsonDocument::Compact);
    if (auto it = layer_ids_.find(key); it != layer_ids_.end())
        return it->second;
    const int id = static_cast<int>(layers_.size());
    layers_.append(layer);
    layer_ids_.emplace(key, id);
    return id;
}

// Every control on show, from the lowest to the highest, each as the picture of its place with
// everything below it drawn first: laid over each other in that order they give the window's
// picture, and a control's other looks (hovered, pressed, selected) are pictures of the same place.
QJsonArray SiteWriter::Capture()
{
    QWidget& window = menu_.Window();
    QImage canvas(window.size(), QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        window.render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawWindowBackground);
    }
    QJsonArray scene;
    if (window_layer_ < 0)
        window_layer_ =
            Layer({{"x", 0}, {"y", 0}, {"w", canvas.width()}, {"h", canvas.height()}, {"img", Store(canvas)}});
    scene.append(window_layer_);
    for (QObject* child : window.children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control == nullptr || control->isWindow() || !control->isVisibleTo(&window))
            continue;
        const QRect place = control->geometry().intersected(window.rect());
        if (place.isEmpty())
            continue;
        const QImage below = canvas.copy(place);
        const QPoint offset = control->pos() - place.topLeft();
        auto* banner = dynamic_cast<Banner*>(control);
        const bool first_banner = banner != nullptr && banner_ids_.find(banner) == banner_ids_.end();
        const QImage before = first_banner ? canvas.copy() : QImage();
        {
            QPainter painter(&canvas);
            control->render(&painter, control->pos(), QRegion(), QWidget::DrawChildren);
        }
        const QImage normal = canvas.copy(place);
        QJsonObject layer{{"x", place.x()}, {"y", place.y()}, {"w", place.width()}, {"h", place.height()}};
        const auto role = roles_.find(control);
        if (role != roles_.end()) {
            layer["role"] = role->second.name;
            if (role->second.index >= 0)
                layer["index"] = role->second.index;
        }
        if (auto source = link_sources_.find(control); source != link_sources_.end()) {
            const auto* hint = dynamic_cast<const ControlHint*>(source->second);
            const auto* label = dynamic_cast<const TLabel*>(source->second);
            if (hint != nullptr && !hint->Hint().empty() && (label == nullptr || label->OnClick)) {
                layer["role"] = QStringLiteral("link");
                layer["index"] = Link(hint->Hint());
            }
        }
        auto draw = [&](const std::function<void()>& change, const std::function<void()>& restore) {
            QImage image = below;
            change();
            {
                QPainter painter(&image);
                control->render(&painter, offset, QRegion(), QWidget::DrawChildren);
            }
            restore();
            return image;
        };
        auto* list = dynamic_cast<TStringGrid*>(control);
        auto* button = dynamic_cast<TImgBtn*>(control);
        const bool pressable = button != nullptr && button->Supported() && button->OnClick;
        // The control's pictures are drawn and written only when its place looks other than it
        // did in the state captured before: most controls stay as they are from state to state.
        Drawn& drawn = drawn_[control];
        if (drawn.normal.isNull() || drawn.pressable != pressable || drawn.normal != normal || drawn.below != below) {
            QJsonObject pictures;
            if (list != nullptr) {
                // Without a selection, and with every row selected: the page shows the second over
                // the first in the chosen row's place.
                const QPalette palette = list->palette();
                const TFont font = list->Font();
                const QColor colour = list->Color();
                QPalette plain = palette;
                plain.setColor(QPalette::Highlight, colour);
                plain.setColor(QPalette::HighlightedText, font.color);
                pictures["img"] = Store(draw([&] { list->setPalette(plain); }, [&] { list->setPalette(palette); }));
                TFont selected_font = font;
                selected_font.color = palette.color(QPalette::HighlightedText);
                pictures["sel"] = Store(draw(
                    [&] {
                        list->SetColor(palette.color(QPalette::Highlight));
                        list->SetFont(selected_font);
                    },
                    [&] {
                        list->SetColor(colour);
                        list->SetFont(font);
                    }));
            } else {
                pictures["img"] = Store(normal);
            }
            if (pressable) {
                const QPixmap shown = button->Shown();
                const QString over = Store(
                    draw([&] { button->ShowPicture(button->PicUp()); }, [&] { button->ShowPicture(shown); }));
                const QString down = Store(
                    draw([&] { button->ShowPicture(button->PicDown()); }, [&] { button->ShowPicture(shown); }));
                if (over != pictures["img"].toString())
                    pictures["over"] = over;
                if (down != pictures["img"].toString())
                    pictures["down"] = down;
            }
            drawn = {below, normal, pressable, pictures};
        }
        for (auto it = drawn.pictures.begin(); it != drawn.pictures.end(); ++it)
            layer.insert(it.key(), it.value());
        if (list != nullptr) {
            QJsonArray rows;
            const QPoint view = list->viewport()->geometry().topLeft();
            for (int r = 0; r < list->RowCount(); ++r) {
                const QRect cell = list->CellRect(0, r);
                if (cell.isEmpty())
                    continue;
                QRect row = cell.translated(view);
                row.setLeft(0);
                row.setRight(list->viewport()->width() - 1 + view.x());
                rows.append(QJsonArray{r, row.x(), row.y(), row.width(), row.height(),
                                       DiscText(list->Cell(0, r))});
            }
            layer["rows"] = rows;
            // Which rows it shows: the page keeps the list's first row in view as the list does.
            layer["top"] = list->TopRow();
            layer["visible"] = list->VisibleRowCount();
        }
        if (pressable) {
            layer["button"] = true;
            if (!button->Hint().empty())
                layer["name"] = DiscText(button->Hint());
        }
        if (auto* label = dynamic_cast<TLabel*>(control); label != nullptr && !label->ShownText().isEmpty())
            layer["text"] = label->ShownText();
        if (first_banner)
            banner_ids_[banner] = BannerAds(*banner, before);
        if (banner != nullptr)
            layer["banner"] = banner_ids_[banner];
        scene.append(Layer(layer));
    }
    return scene;
}

QJsonArray SiteWriter::EntryPictures(const SoftTabElement& entry)
{
    QJsonArray ids;
    for (const PicPair& pair : entry.pics) {
        auto it = picture_ids_.find(pair.pic);
        if (it == picture_ids_.end()) {
            // As the viewer shows it: the file decoded by the menu's own decoders, its path and
            // place in the list in the caption. One that does not load carries the menu's message.
            QJsonObject picture{{"caption", DiscText(pair.pic)}};
            try {
                const std::unique_ptr<::Picture> loaded = LoadPictureFile(menu_.Resolver(), pair.pic);
                const QImage image = loaded->ToPixmap().toImage();
                // A JPEG file goes as it is: browsers decode it as the menu's decoder does (the
                // same library, its exact transform and smooth upsampling), at a fraction of the
                // size of its pixels written out.
                const std::string name = fs::path(pair.pic).extension().string();
                std::optional<std::string> jpeg;
                if (QString::fromStdString(name).compare(QStringLiteral(".jpg"), Qt::CaseInsensitive) == 0 ||
                    QString::fromStdString(name).compare(QStringLiteral(".jpeg"), Qt::CaseInsensitive) == 0)
                    jpeg = ReadWholeFile(menu_.Resolver().Disc(), menu_.Resolver().Resolve(pair.pic));
                picture["img"] = jpeg ? StoreFile(*jpeg, QStringLiteral("img/"), QStringLiteral(".jpg")) : Store(image);
                picture["w"] = image.width();
                picture["h"] = image.height();
            } catch (const std::exception& e) {
                picture["error"] = QString::fromUtf8(e.what());
            }
            it = picture_ids_.emplace(pair.pic, static_cast<int>(pictures_list_.size())).first;
            pictures_list_.append(picture);
        }
        ids.append(it->second);
    }
    return ids;
}

QString SiteWriter::SiteAddress(const fs::path& disc_file) const
{
    const DiscFs& disc = menu_.Resolver().Disc();
    const fs::path relative = disc.Root().empty() ? disc_file : disc_file.lexically_relative(disc.Root());
    QString address = QStringLiteral("disc");
    for (const fs::path& part : relative)
        address +=
            QStringLiteral("/") + QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(part.string())));
    return address;
}

void SiteWriter::CopyFolder(const fs::path& disc_folder)
{
    for (const fs::path& done : copied_)
        if (DiscFolderHolds(done, disc_folder))
            return;
    const DiscFs& disc = menu_.Resolver().Disc();
    const fs::path relative = disc.Root().empty() ? disc_folder : disc_folder.lexically_relative(disc.Root());
    if (relative.empty() || *relative.begin() == "..")
        return;
    // Every entry's name comes from the disc's own listing, one component at a time, so nothing is
    // written outside the copy; the sizes are added up before a byte is copied.
    struct Item {
        fs::path from;
        fs::path to;
        bool folder;
    };
    std::vector<Item> items{{disc_folder, folder_ / "disc" / relative, true}};
    std::uintmax_t bytes = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!items[i].folder)
            continue;
        for (const std::string& name : disc.List(items[i].from)) {
            if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
                continue;
            const DiscEntry entry = disc.Stat(items[i].from / name);
            if (entry.kind == DiscEntryKind::kFile)
                bytes += entry.size;
            if (entry.kind == DiscEntryKind::kFile || entry.kind == DiscEntryKind::kFolder)
                items.push_back({items[i].from / name, items[i].to / name, entry.kind == DiscEntryKind::kFolder});
        }
        if (copied_bytes_ + bytes > kMaxCopiedBytes)
            throw std::runtime_error("the setups' folders hold more than 4 GB: " + disc_folder.string());
    }
    copied_bytes_ += bytes;
    std::vector<char> buffer(1 << 16);
    for (const Item& item : items) {
        if (item.folder) {
            fs::create_directories(item.to);
            continue;
        }
        const std::unique_ptr<DiscReader> reader = disc.Open(item.from);
        std::ofstream out(item.to, std::ios::binary | std::ios::trunc);
        if (!reader || !out)
            throw std::runtime_error("cannot copy " + item.from.string());
        while (const std::size_t n = reader->Read(buffer.data(), buffer.size()))
            out.write(buffer.data(), static_cast<std::streamsize>(n));
        out.close();
        if (reader->Failed() || !out)
            throw std::runtime_error("cannot copy " + item.from.string());
    }
    copied_.push_back(disc_folder);
}

QJsonArray SiteWriter::EntrySetups(const SoftTabElement& entry)
{
    QJsonArray ids;
    for (const string_pair& setup : entry.setups) {
        auto it = setup_ids_.find(setup.first);
        if (it == setup_ids_.end()) {
            QJsonObject record{{"path", DiscText(setup.first)}, {"description", DiscText(setup.second)}};
            const std::optional<fs::path> found = menu_.Resolver().Find(setup.first);
            const DiscFs& disc = menu_.Resolver().Disc();
            if (found && options_.files) {
                // The setup's whole folder, as the menu copies it to open it.
                const bool folder = disc.Stat(*found).kind == DiscEntryKind::kFolder;
                CopyFolder(folder ? *found : found->parent_path());
                record["href"] = SiteAddress(*found);
                // A document opens in the browser; anything else is downloaded.
                std::string head(kDocumentHead, '\0');
                if (const std::unique_ptr<DiscReader> reader = disc.Open(*found))
                    head.resize(reader->Read(head.data(), head.size()));
                record["document"] = folder || !LinkDocumentRefusal(found->filename().string(), head);
            }
            it = setup_ids_.emplace(setup.first, static_cast<int>(setups_list_.size())).first;
            setups_list_.append(record);
        }
        ids.append(it->second);
    }
    return ids;
}

int SiteWriter::Link(const std::string& link)
{
    if (auto it = link_ids_.find(link); it != link_ids_.end())
        return it->second;
    QJsonObject record{{"text", DiscText(link)}};
    // As the menu's opener decides: web and mail addresses open in a new tab, the disc's documents
    // and folders from the site's copy of their folder; anything else is not opened.
    const OpenPlan plan = PlanOpen(link, menu_.Resolver(), DefaultSearchPath(), OpenAs::kLink);
    if (plan.kind == OpenPlan::Kind::WebLink) {
        QString address = DiscText(link).trimmed();
        if (address.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
            address.prepend(QStringLiteral("http://"));
        const QUrl url(address, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && (scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto"))
            record["href"] = url.toString(QUrl::FullyEncoded);
    } else if ((plan.kind == OpenPlan::Kind::Document || plan.kind == OpenPlan::Kind::Folder) && options_.files) {
        if (const std::optional<fs::path> found = menu_.Resolver().Find(link)) {
            CopyFolder(plan.kind == OpenPlan::Kind::Folder ? *found : found->parent_path());
            record["href"] = SiteAddress(*found);
        }
    }
    // The menu's question names the link: one box for each distinct question.
    const std::string question = LinkQuestion(description_.link_box, link);
    const auto [box, added] = box_ids_.try_emplace(question, static_cast<int>(box_texts_.size()));
    if (added)
        box_texts_.push_back(question);
    record["box"] = box->second;
    const int id = static_cast<int>(links_list_.size());
    links_list_.append(record);
    link_ids_.emplace(link, id);
    return id;
}

QJsonObject SiteWriter::EventSounds()
{
    const Inf_shell& d = description_;
    const std::pair<const char*, const std::string*> events[] = {
        {"tab", &d.sp_btn_sound},       {"select", &d.main_frame.grid_select_sound},
        {"picture", &d.main_frame.picture_sound}, {"link", &d.link_sound},
        {"setup", &d.setup_sound},      {"options", &d.cd.options_sound},
        {"ok", &d.cd.opts_window.ok_sound}, {"cancel", &d.cd.opts_window.cancel_sound}};
    QJsonObject sounds;
    std::map<std::string, QString> written;  // disc path -> site file
    for (const auto& [event, path] : events) {
        auto it = written.find(*path);
        if (it == written.end()) {
            QString file;
            SoundFile sound;
            if (sound.Load(menu_.Resolver(), *path) == 0 && sound.HasData()) {
                if (const std::shared_ptr<const DeviceSound> converted = ConvertWav(*sound.Data())) {
                    const std::string ogg = EncodeOgg(*converted);
                    if (!ogg.empty())
                        file = StoreFile(ogg, QStringLiteral("snd/"), QStringLiteral(".ogg"));
                }
            }
            it = written.emplace(*path, file).first;
        }
        if (!it->second.isEmpty())
            sounds[QString::fromLatin1(event)] = it->second;
    }
    return sounds;
}

QJsonValue SiteWriter::Track(const SoftTabElement& entry)
{
    if (entry.setups.empty() || !options_.files)
        return QJsonValue::Null;
    // The extension after the last dot, compared exactly, as the menu's playback does.
    const std::string& file = entry.setups.front().first;
    const std::size_t dot = file.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : file.substr(dot + 1);
    const std::optional<fs::path> found = menu_.Resolver().Find(file);
    if (!found)
        return QJsonValue::Null;
    QJsonObject track{{"title", DiscText(entry.title)}};
    if (extension == "mp3") {
        CopyFolder(found->parent_path());
        track["src"] = SiteAddress(*found);
    } else if (extension == "mid" || extension == "rmi") {
        const std::unique_ptr<DeviceSound> sound = RenderMidi(menu_.Resolver().Disc(), *found, kMaxSoundFrames);
        const std::string ogg = sound ? EncodeOgg(*sound) : std::string();
        if (ogg.empty())
            return QJsonValue::Null;
        track["src"] = StoreFile(ogg, QStringLiteral("snd/"), QStringLiteral(".ogg"));
    } else {
        return QJsonValue::Null;
    }
    track["strip"] = StripDigitPictures(entry.title);
    return track;
}

QJsonArray SiteWriter::StripDigitPictures(const std::string& title)
{
    QJsonArray layouts;
    for (int minute_digits : {1, 2}) {
        const std::optional<StripDigits> digits = DrawStripDigits(menu_.Shell().Frame(), title, minute_digits);
        if (!digits) {
            layouts.append(QJsonValue::Null);
            continue;
        }
        const auto part = [](const StripDigits::Part& p) { return QJsonArray{p.left, p.right, p.top}; };
        layouts.append(QJsonObject{
            {"img", Store(digits->pictures)}, {"minutes", part(digits->minutes)}, {"seconds", part(digits->seconds)}});
    }
    return layouts;
}

QJsonObject SiteWriter::MusicStrip()
{
    const MainFrame& frame = menu_.Shell().Frame();
    TImage& strip = *frame.MusicStrip();
    const TLabel& label = *frame.MusicLabel();
    QImage image(strip.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    strip.render(&image, QPoint(0, 0), QRegion(), QWidget::DrawChildren);
    return {{"x", strip.x()}, {"y", strip.y()}, {"w", strip.width()}, {"h", strip.height()},
            {"img", Store(image)}, {"textTop", label.y() - strip.y()}, {"colour", label.Font().color.name()}};
}

int SiteWriter::BannerAds(Banner& banner, const QImage& below)
{
    const QRect window = menu_.Window().rect();
    const std::size_t shown = banner.ShownAd();
    QJsonArray ads;
    for (std::size_t i = 0; i < banner.Description().items.size(); ++i) {
        try {
            banner.ShowAd(i);
        } catch (const std::exception&) {
            // The menu keeps the advertisement before on show: the page never picks this one.
            ads.append(QJsonValue::Null);
            continue;
        }
        const QRect place = banner.geometry().intersected(window);
        QImage image = below.copy(place);
        {
            QPainter painter(&image);
            banner.render(&painter, banner.pos() - place.topLeft(), QRegion(), QWidget::DrawChildren);
        }
        QJsonObject ad{{"x", place.x()}, {"y", place.y()}, {"w", place.width()}, {"h", place.height()},
                       {"img", place.isEmpty() ? QString() : Store(image)}};
        if (!banner.PictureControl()->Hint().empty()) {
            ad["role"] = QStringLiteral("link");
            ad["index"] = Link(banner.PictureControl()->Hint());
        }
        ads.append(ad);
    }
    banner.ShowAd(shown);
    const int id = static_cast<int>(banners_list_.size());
    banners_list_.append(
        QJsonObject{{"interval", banner.Timer()->interval()}, {"shown", static_cast<int>(shown)}, {"ads", ads}});
    return id;
}

QJsonObject SiteWriter::Cursors()
{
    QJsonObject cursors;
    const PathResolver& resolver = menu_.Resolver();
    for (const auto& [name, path] :
         {std::pair{"main", description_.cd.main_cursor}, {"link", description_.cd.link_cursor}}) {
        if (path.empty())
            return {};
        const std::optional<QCursor> cursor = ReadCursorFile(resolver.Disc(), resolver.Resolve(path));
        if (!cursor || cursor->pixmap().isNull())
            return {};
        QImage image = cursor->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        const QString file = StoreFile(png.toStdString(), QStringLiteral("img/"), QStringLiteral(".png"));
        cursors[QString::fromLatin1(name)] =
            QJsonObject{{"img", file}, {"x", cursor->hotSpot().x()}, {"y", cursor->hotSpot().y()}};
    }
    return cursors;
}

QJsonObject SiteWriter::OptionsWindow()
{
    TOptionsForm& form = menu_.OptionsWindow();
    const Inf_shell& d = description_;
    // The site's settings as the window offers them: event sounds (on at the start, as in the
    // menu) and the background music with its list; the cursors, wallpapers and languages are not
    // changed here.
    const bool music_offered = !d.music_files.empty();
    QJsonObject drawn;
    // The window runs modally: it is drawn, in each look its check boxes and music list give it and
    // with each button pressed in turn, once it is up.
    QTimer::singleShot(0, &form, [&] {
        drawn = {{"w", form.width()}, {"h", form.height()}};
        // Its three looks: event sounds on; both off; the background music on.
        QJsonArray looks;
        const int items = std::max(1, form.MusicComboBox->count());
        for (int look = 0; look < (music_offered ? 3 : 2); ++look) {
            form.SoundCheckBox->setChecked(look != 0);
            form.SoundCheckBox->setEnabled(look != 2);
            form.MusicCheckBox->setChecked(look != 2);
            form.MusicCheckBox->setEnabled(music_offered && look != 0);
            form.MusicLabel->setEnabled(look == 2);
            form.MusicComboBox->setEnabled(look == 2);
            QJsonArray pictures;
            for (int item = 0; item < items; ++item) {
                form.MusicComboBox->setCurrentIndex(item < form.MusicComboBox->count() ? item : -1);
                pictures.append(Store(form.grab().toImage()));
            }
            looks.append(pictures);
        }
        drawn["looks"] = looks;
        const auto place = [&form](const QWidget* w) { return Rect(PlaceIn(form, *w)); };
        drawn["sound"] = place(form.SoundCheckBox);
        drawn["music"] = place(form.MusicCheckBox);
        drawn["list"] = place(form.MusicComboBox);
        QJsonArray names;
        for (int item = 0; item < form.MusicComboBox->count(); ++item)
            names.append(form.MusicComboBox->itemText(item));
        drawn["names"] = names;
        drawn["soundName"] = form.SoundCheckBox->text().remove(QLatin1Char('&'));
        drawn["musicName"] = form.MusicCheckBox->text().remove(QLatin1Char('&'));
        QJsonArray buttons;
        for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{form.YesBtn, form.CancelBtn}) {
            button->setDown(true);
            const QRect at = PlaceIn(form, *button);
            buttons.append(QJsonObject{{"place", Rect(at)},
                                       {"down", Store(form.grab(at).toImage())},
                                       {"name", button->text().remove(QLatin1Char('&'))}});
            button->setDown(false);
        }
        const QRect close = PlaceIn(form, *form.close_btn);
        const QPixmap shown = form.close_btn->Shown();
        form.close_btn->ShowPicture(form.close_btn->PicDown());
        buttons.append(
            QJsonObject{{"place", Rect(close)}, {"down", Store(form.grab(close).toImage())}, {"name", "Close"}});
        form.close_btn->ShowPicture(shown);
        drawn["buttons"] = buttons;
        if (const QJsonObject choices = WallpaperChoices(form, store_); !choices.isEmpty())
            drawn["wallpaper"] = choices;
        form.close_btnClick();
    });
    OptionsState state;
    state.sound_offered = true;
    state.event_sounds_off = false;
    state.music_offered = music_offered;
    state.music_list = &d.music_files;
    // The wallpaper choices as the window shows them where the wallpaper cannot show: switched off
    // and not offered; the page lays their other looks over this part of the window.
    state.wallpaper_set = &d.wallpapers;
    form.RunOptions(state);
    // The background music: each file as the menu's loop plays it.
    QJsonArray music;
    for (const std::string& file : d.music_files) {
        SoundFile sound;
        QString site_file;
        if (sound.Load(menu_.Resolver(), file) == 0 && sound.HasData())
            if (const std::shared_ptr<const DeviceSound> converted = ConvertWav(*sound.Data()))
                if (const std::string ogg = EncodeOgg(*converted); !ogg.empty())
                    site_file = StoreFile(ogg, QStringLiteral("snd/"), QStringLiteral(".ogg"));
        music.append(site_file.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(site_file));
    }
    drawn["backgroundMusic"] = music;
    return drawn;
}

QJsonObject SiteWriter::LanguageQuestion()
{
    TSelectLangForm form(&menu_.Window(), options_.languages);
    form.show();
    QJsonArray pictures;
    QJsonArray names;
    for (int i = 0; i < static_cast<int>(options_.languages.size()); ++i) {
        form.ComboBox1->setCurrentIndex(i);
        pictures.append(Store(form.grab().toImage()));
        names.append(form.ComboBox1->itemText(i));
    }
    const auto place = [&form](const QWidget* w) { return Rect(PlaceIn(form, *w)); };
    QJsonObject question{{"w", form.width()},     {"h", form.height()},      {"title", form.windowTitle()},
                         {"pictures", pictures},   {"names", names},          {"choice", place(form.ComboBox1)},
                         {"ok", place(form.Button1)}, {"okName", form.Button1->text().remove(QLatin1Char('&'))}};
    form.hide();
    QJsonArray files;
    for (const std::string& file : options_.language_files)
        files.append(QString::fromStdString(file));
    question["files"] = files;
    question["preselected"] = options_.preselected;
    return question;
}

QJsonObject SiteWriter::SetupWindow(const SoftTabElement& entry)
{
    const Inf_setup_win& c = description_.setup_win;
    Tsetup_win window(&menu_.Window(), entry.setups, c.setup_nomer, c.setup_file, c.setup_desc, c.setup_run,
                      c.setup_close, menu_.QuietOpener());
    window.show();
    TStringGrid& grid = *window.StringGrid1;
    const QPoint view = grid.viewport()->mapTo(&window, QPoint(0, 0));
    QJsonArray pictures;
    QJsonArray rows;
    for (int r = grid.FixedRows(); r < grid.RowCount(); ++r) {
        const QRect cell = grid.CellRect(0, r);
        if (cell.isEmpty())
            continue;
        ClickWidget(*grid.viewport(), cell.center());
        QRect row = cell.translated(view);
        row.setRight(view.x() + grid.viewport()->width() - 1);
        rows.append(Rect(row));
        // A row the window refuses (no file name) shows the row chosen before.
        pictures.append(Store(window.grab().toImage()));
    }
    window.hide();
    return {{"w", window.width()},
            {"h", window.height()},
            {"title", window.windowTitle()},
            {"pictures", pictures},
            {"rows", rows},
            {"run", Rect(window.RunBtn->geometry())},
            {"close", Rect(window.CloseBtn->geometry())}};
}

void SiteWriter::Write()
{
    MainFrame& frame = menu_.Shell().Frame();
    QJsonObject scenes;
    QJsonObject setup_windows;
    QJsonArray tabs;
    const auto key = [](int t, int s, int r, int info) {
        return QStringLiteral("%1,%2,%3,%4").arg(t).arg(s).arg(r).arg(info);
    };
    for (std::size_t t = 0; t < description_.main_frame.tabs.size() &&
                            t < menu_.Shell().Side().Buttons().size();
         ++t) {
        const int tab = static_cast<int>(t);
        const sub_se& record = description_.main_frame.tabs[t];
        menu_.ClickTab(tab);
        QJsonArray subs;
        QJsonArray pictures;
        QJsonArray setups;
        QJsonArray find;  // each entry's name and description, for the search box
        QJsonArray music;  // a music tab's tracks
        if (!frame.HasSubTabs())
            scenes[key(tab, -1, 0, 0)] = Capture();
        for (std::size_t s = 0; s < record.sels.size(); ++s) {
            const int sub = static_cast<int>(s);
            menu_.ClickSub(sub);
            if (frame.Sub() != sub)
                break;  // a sub-tab without a button is never shown
            const int count = static_cast<int>(record.sels[s].entries.size());
            subs.append(count);
            QJsonArray rows;
            QJsonArray setup_rows;
            QJsonArray texts;
            QJsonArray tracks;
            if (record.music)
                for (const SoftTabElement& entry : record.sels[s].entries)
                    tracks.append(Track(entry));
            music.append(tracks);
            for (const SoftTabElement& entry : record.sels[s].entries)
                texts.append(QJsonArray{DiscText(entry.title), DiscText(entry.description)});
            find.append(texts);
            for (std::size_t r = 0; r < record.sels[s].entries.size(); ++r) {
                const SoftTabElement& entry = record.sels[s].entries[r];
                rows.append(EntryPictures(entry));
                setup_rows.append(EntrySetups(entry));
                if (entry.setups.size() > 1 && !record.music)
                    setup_windows[key(tab, sub, static_cast<int>(r), 0)] = SetupWindow(entry);
            }
            pictures.append(rows);
            setups.append(setup_rows);
            for (int row = 0; row < std::max(count, 1); ++row) {
                if (row > 0)
                    menu_.ClickNext();
                scenes[key(tab, sub, row, 0)] = Capture();
                if (record.music) {
                    // The panel's look while a track plays: play latched, stop released.
                    MControlPanel& panel = menu_.Shell().MusicControls();
                    panel.PlayButton()->Latch();
                    panel.StopButton()->Deselect();
                    scenes[key(tab, sub, row, 2)] = Capture();
                    panel.ShowStopped();
                }
                if (record.full_inf && !record.music && count > 0) {
                    menu_.ClickEntry();
                    scenes[key(tab, sub, row, 1)] = Capture();
                    menu_.ClickEntry();
                }
            }
        }
        tabs.append(QJsonObject{
            {"subs", subs}, {"pictures", pictures}, {"setups", setups}, {"find", find}, {"tracks", music},
            {"full", record.full_inf}, {"music", record.music}});
    }
    // The link questions, as the menu's box asks them.
    QJsonArray boxes;
    for (const std::string& question : box_texts_)
        boxes.append(DrawnMessageBox(question, description_.link_box.link_caption, MsgButtons::YesNo, store_));
    QJsonObject data{{"width", OffscreenMenu::kWidth},
                     {"height", OffscreenMenu::kHeight},
                     {"title", DiscText(description_.cd.title)},
                     {"tabs", tabs},
                     {"layers", layers_},
                     {"pictures", pictures_list_},
                     {"setups", setups_list_},
                     {"setupWindows", setup_windows},
                     {"links", links_list_},
                     {"boxes", boxes},
                     {"options", OptionsWindow()},
                     {"cursors", Cursors()},
                     {"sounds", EventSounds()},
                     {"strip", MusicStrip()},
                     {"banners", banners_list_},
                     {"setupNames", QJsonObject{{"run", DiscText(description_.setup_win.setup_run)},
                                                {"close", DiscText(description_.setup_win.setup_close)}}},
                     {"scenes", scenes}};
    if (options_.languages.size() > 1)
        data["languages"] = LanguageQuestion();
    if (QJsonObject splash = SplashPictures(menu_.Resolver(), options_.language_code, &menu_.Window(), store_);
        !splash.isEmpty())
        data["splash"] = splash;
    if (QJsonObject wallpaper = WallpaperPictures(menu_.Resolver(), description_.wallpapers, store_);
        !wallpaper.isEmpty())
        data["wallpaper"] = wallpaper;
    WriteBytes(folder_ / options_.data_file,
               "window.ZUL_SITE = " + QJsonDocument(data).toJson(QJsonDocument::Compact) + ";\n");
    if (!options_.page_files)
        return;
    // The page's icon: the corner of the menu's window.
    QByteArray icon;
    QBuffer buffer(&icon);
    buffer.open(QIODevice::WriteOnly);
    menu_.Grab().copy(0, 0, 32, 32).save(&buffer, "PNG");
    WriteBytes(folder_ / "icon.png", icon);
    for (const char* name : kPageFiles) {
        QFile page(QStringLiteral(":/site/") + QString::fromLatin1(name));
        if (!page.open(QIODevice::ReadOnly))
            throw std::runtime_error(std::string("the page's file ") + name + " is missing from the program");
        WriteBytes(folder_ / name, page.readAll());
    }
}

}  // namespace

void WriteSite(OffscreenMenu& menu, const Inf_shell& description, const fs::path& folder,
               const SiteOptions& options)
{
    SiteWriter(menu, description, folder, options).Write();
}

std::string WriteWholeSite(const fs::path& out, bool force, const std::function<void(const fs::path&)>& write)
{
    std::error_code ec;
    const fs::path target = fs::absolute(out, ec);
    if (ec)
        return out.string() + ": " + ec.message();
    const fs::file_status status = fs::symlink_status(target, ec);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_directory(status))
        return out.string() + ": not a folder";
    if (exists && !force && !fs::is_empty(target, ec))
        return out.string() + ": not empty (--force replaces it)";
    // The new folder lies beside the target, on the same file system, so that it takes the
    // target's name in one step.
    std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".new-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        return target.parent_path().string() + ": cannot make a folder there";
    const fs::path folder = pattern;
    try {
        write(folder);
    } catch (const std::exception& e) {
        fs::remove_all(folder, ec);
        return e.what();
    }
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec, ec);
    fs::path old;
    if (exists) {
        // The old site goes aside first, and only once the new one has its name is it removed.
        std::string aside = (target.parent_path() / ("." + target.filename().string() + ".old-XXXXXX")).string();
        const bool made = mkdtemp(aside.data()) != nullptr;
        if (made)
            fs::rename(target, aside, ec);
        if (!made || ec) {
            fs::remove_all(folder, ec);
            if (made)
                fs::remove(aside, ec);
            return out.string() + ": cannot be replaced";
        }
        old = aside;
    }
    fs::rename(folder, target, ec);
    if (ec) {
        const std::string error = out.string() + ": " + ec.message();
        fs::remove_all(folder, ec);
        if (!old.empty())
            fs::rename(old, target, ec);
        return error;
    }
    if (!old.empty())
        fs::remove_all(old, ec);
    return {};
}
