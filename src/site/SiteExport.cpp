#include "site/SiteExport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

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
#include "platform/DiscText.h"

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

// What a click on a control does on the page.
struct Role {
    QString name;  // "tab", "sub", "list", "prev", "next", "entry", "picture", "min", "close"
    int index = -1;
};

class SiteWriter {
public:
    SiteWriter(OffscreenMenu& menu, const Inf_shell& description, const fs::path& folder)
        : menu_(menu), description_(description), folder_(folder)
    {
        fs::create_directory(folder_ / "img");
        FindRoles();
    }

    void Write();

private:
    void FindRoles();
    QJsonArray Capture();
    // The full-size pictures of an entry, for the picture viewer: their indexes in pictures_list_.
    QJsonArray EntryPictures(const SoftTabElement& entry);
    QString Store(const QImage& image);
    int Layer(const QJsonObject& layer);

    OffscreenMenu& menu_;
    const Inf_shell& description_;
    fs::path folder_;
    std::map<const QWidget*, Role> roles_;
    std::map<QByteArray, QString> pictures_;  // content hash -> file
    std::map<QByteArray, int> layer_ids_;     // layer as JSON -> its index
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
    roles_[box.Thumbnail(0)] = {"picture", 0};
    roles_[box.Thumbnail(1)] = {"picture", 1};
}

QString SiteWriter::Store(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(rgb.constBits()), rgb.sizeInBytes()));
    hash.addData(QByteArray::number(rgb.width()) + "x" + QByteArray::number(rgb.height()));
    const QByteArray key = hash.result();
    if (auto it = pictures_.find(key); it != pictures_.end())
        return it->second;
    const QString name = QStringLiteral("img/") + QString::fromLatin1(key.toHex().left(20)) + QStringLiteral(".png");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!rgb.save(&buffer, "PNG"))
        throw std::runtime_error("cannot encode a picture of the site");
    WriteBytes(folder_ / name.toStdString(), png);
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
    scene.append(Layer({{"x", 0}, {"y", 0}, {"w", canvas.width()}, {"h", canvas.height()}, {"img", Store(canvas)}}));
    for (QObject* child : window.children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control == nullptr || control->isWindow() || !control->isVisibleTo(&window))
            continue;
        const QRect place = control->geometry().intersected(window.rect());
        if (place.isEmpty())
            continue;
        const QImage below = canvas.copy(place);
        const QPoint offset = control->pos() - place.topLeft();
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
        if (auto* list = dynamic_cast<TStringGrid*>(control)) {
            // Without a selection, and with every row selected: the page shows the second over the
            // first in the chosen row's place.
            const QPalette palette = list->palette();
            const TFont font = list->Font();
            const QColor colour = list->Color();
            QPalette plain = palette;
            plain.setColor(QPalette::Highlight, colour);
            plain.setColor(QPalette::HighlightedText, font.color);
            layer["img"] = Store(draw([&] { list->setPalette(plain); }, [&] { list->setPalette(palette); }));
            TFont selected_font = font;
            selected_font.color = palette.color(QPalette::HighlightedText);
            layer["sel"] = Store(draw(
                [&] {
                    list->SetColor(palette.color(QPalette::Highlight));
                    list->SetFont(selected_font);
                },
                [&] {
                    list->SetColor(colour);
                    list->SetFont(font);
                }));
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
        } else {
            layer["img"] = Store(normal);
        }
        if (auto* button = dynamic_cast<TImgBtn*>(control); button != nullptr && button->Supported() &&
                                                             button->OnClick) {
            const QPixmap shown = button->Shown();
            const QString over = Store(
                draw([&] { button->ShowPicture(button->PicUp()); }, [&] { button->ShowPicture(shown); }));
            const QString down = Store(
                draw([&] { button->ShowPicture(button->PicDown()); }, [&] { button->ShowPicture(shown); }));
            if (over != layer["img"].toString())
                layer["over"] = over;
            if (down != layer["img"].toString())
                layer["down"] = down;
            layer["button"] = true;
            if (!button->Hint().empty())
                layer["name"] = DiscText(button->Hint());
        }
        if (auto* label = dynamic_cast<TLabel*>(control); label != nullptr && !label->ShownText().isEmpty())
            layer["text"] = label->ShownText();
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
                picture["img"] = Store(image);
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

void SiteWriter::Write()
{
    MainFrame& frame = menu_.Shell().Frame();
    QJsonObject scenes;
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
            for (const SoftTabElement& entry : record.sels[s].entries)
                rows.append(EntryPictures(entry));
            pictures.append(rows);
            for (int row = 0; row < std::max(count, 1); ++row) {
                if (row > 0)
                    menu_.ClickNext();
                scenes[key(tab, sub, row, 0)] = Capture();
                if (record.full_inf && !record.music && count > 0) {
                    menu_.ClickEntry();
                    scenes[key(tab, sub, row, 1)] = Capture();
                    menu_.ClickEntry();
                }
            }
        }
        tabs.append(QJsonObject{
            {"subs", subs}, {"pictures", pictures}, {"full", record.full_inf}, {"music", record.music}});
    }
    QJsonObject data{{"width", OffscreenMenu::kWidth},
                     {"height", OffscreenMenu::kHeight},
                     {"title", DiscText(description_.cd.title)},
                     {"tabs", tabs},
                     {"layers", layers_},
                     {"pictures", pictures_list_},
                     {"scenes", scenes}};
    WriteBytes(folder_ / "data.js",
               "window.ZUL_SITE = " + QJsonDocument(data).toJson(QJsonDocument::Compact) + ";\n");
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

void WriteSite(OffscreenMenu& menu, const Inf_shell& description, const fs::path& folder)
{
    SiteWriter(menu, description, folder).Write();
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
        if (mkdtemp(aside.data()) == nullptr || (fs::rename(target, old = aside, ec), ec)) {
            fs::remove_all(folder, ec);
            if (!old.empty())
                fs::remove(old, ec);
            return out.string() + ": cannot be replaced";
        }
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
