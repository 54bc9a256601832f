// Prints the content types GIO gives each path, the way a desktop sees them: for a folder, the
// x-content types of a disc mounted there (what a file manager asks about when a disc goes in),
// or "none"; for a file, its type from its name and first bytes (what "Open with" offers apps
// for). One line per path. GIO reads the MIME database under XDG_DATA_HOME and XDG_DATA_DIRS.
//   content_types PATH...
#include <gio/gio.h>

#include <cstdio>
#include <string>

namespace {

std::string TypesOf(const char* path)
{
    GFile* file = g_file_new_for_commandline_arg(path);
    std::string out;
    if (g_file_query_file_type(file, G_FILE_QUERY_INFO_NONE, nullptr) == G_FILE_TYPE_DIRECTORY) {
        gchar** types = g_content_type_guess_for_tree(file);
        for (gchar** t = types; t != nullptr && *t != nullptr; ++t)
            out += (out.empty() ? "" : " ") + std::string(*t);
        g_strfreev(types);
        if (out.empty())
            out = "none";
    } else {
        GError* error = nullptr;
        GFileInfo* info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                            G_FILE_QUERY_INFO_NONE, nullptr, &error);
        if (info != nullptr) {
            const char* type = g_file_info_get_content_type(info);
            out = type != nullptr ? type : "unknown";
            g_object_unref(info);
        } else {
            out = std::string("error: ") + error->message;
            g_error_free(error);
        }
    }
    g_object_unref(file);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: content_types PATH...\n", stderr);
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        std::printf("%s\n", TypesOf(argv[i]).c_str());
    return 0;
}
