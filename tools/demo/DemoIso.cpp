// Writes a folder as an ISO 9660 image through libarchive; see DemoIso.h.
#include "demo/DemoIso.h"

#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

void WriteIsoImage(const fs::path& folder, const fs::path& image)
{
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!utf8)
        throw std::runtime_error("no UTF-8 locale for the image's names");
    const locale_t old = uselocale(utf8);
    archive* a = archive_write_new();
    const auto fail = [&](const std::string& what) {
        const std::string why = archive_error_string(a) ? archive_error_string(a) : "unknown error";
        archive_write_free(a);
        uselocale(old);
        freelocale(utf8);
        throw std::runtime_error("cannot write " + image.string() + ": " + what + ": " + why);
    };
    if (archive_write_set_format_iso9660(a) != ARCHIVE_OK ||
        archive_write_set_option(a, "iso9660", "pad", nullptr) != ARCHIVE_OK ||
        archive_write_set_option(a, "iso9660", "volume-id", "ZULDEMO") != ARCHIVE_OK ||
        archive_write_open_filename(a, image.c_str()) != ARCHIVE_OK)
        fail("setting up");

    std::vector<fs::path> paths;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder))
        paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        const fs::file_status status = fs::symlink_status(path);
        const bool is_folder = fs::is_directory(status);
        if (!is_folder && !fs::is_regular_file(status))
            continue;
        const std::string name = fs::relative(path, folder).generic_string();
        const std::uintmax_t size = is_folder ? 0 : fs::file_size(path);
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, name.c_str());
        archive_entry_set_filetype(entry, is_folder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry, static_cast<mode_t>(status.permissions() & fs::perms::mask));
        archive_entry_set_size(entry, static_cast<la_int64_t>(size));
        archive_entry_set_mtime(entry, 946684800, 0);  // 2000-01-01
        const int r = archive_write_header(a, entry);
        archive_entry_free(entry);
        if (r != ARCHIVE_OK)
            fail(name);
        if (is_folder)
            continue;
        std::ifstream in(path, std::ios::binary);
        std::vector<char> buffer(64 * 1024);
        std::uintmax_t written = 0;
        while (in) {
            in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            const auto got = static_cast<std::size_t>(in.gcount());
            if (got > 0 && archive_write_data(a, buffer.data(), got) != static_cast<la_ssize_t>(got))
                fail(name);
            written += got;
        }
        if (written != size)
            fail(name + " changed while it was written");
    }
    if (archive_write_close(a) != ARCHIVE_OK)
        fail("finishing");
    archive_write_free(a);
    uselocale(old);
    freelocale(utf8);
}
