#include "migration/path_rewrite.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "migration/file_helpers.h"
#include "migration/journal.h"
#include "migration/path_settings.h"
#include "platform/crt.h"
#include "platform/os_layer.h"
#include "setup/setup_state.h"

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

void write_line(std::FILE* out, const std::string& line) {
    std::fputs(line.c_str(), out);
    std::fputc('\n', out);
}

// The directory of a keyword line, relative to the destination where possible.
std::string rebuilt_keyword_line(const std::string& line, const PathKeyword& k) {
    const size_t kept = std::strlen(k.keyword) + 2;  // keyword, '=' and the opening quote
    return line.substr(0, kept) + strip_prefix(S.destination_path, new_dir_path(k.kind)) + "\"";
}

void rewrite_keyword_layout(std::FILE* in, std::FILE* out) {
    std::string line;
    while (read_text_line(in, line)) {
        const PathKeyword* k = keyword_of_line(line);
        write_line(out, k ? rebuilt_keyword_line(line, *k) : line);
    }
}

void rewrite_line_layout(std::FILE* in, std::FILE* out) {
    // Lines 2 to 8: a new directory, or (-1) the source's line copied.
    const int layout[] = {DIR_DOWNLOAD, -1, DIR_UPLOAD, -1, DIR_LOG, DIR_SCRIPT, DIR_OPTIONS};
    std::string line;
    for (const int kind : layout) {
        if (!read_text_line(in, line)) line.clear();  // missing lines still give their line
        write_line(out, kind >= 0 ? strip_prefix(S.destination_path, new_dir_path(kind)) : line);
    }
    while (read_text_line(in, line)) write_line(out, line);
}

}  // namespace

std::string strip_prefix(const std::string& directory, const std::string& path) {
    if (!path_in_directory(path, directory)) return path;
    std::string rest = path.substr(directory.size());
    if (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
    return rest;
}

void rewrite_path_file(const char* name) {
    const char* separator = name ? std::strchr(name, '\\') : nullptr;
    if (!separator) {
        os_AssertMsg("strchr(name, '\\\\') != NULL", "imisc", 399);
        return;
    }
    std::string temp_name;
    std::string source_name;
    if (!join_path(temp_name, S.options_path, "STANDARD.TMP") ||
        !join_path(source_name, S.options_path, separator + 1))
        return;

    bool written = false;
    {
        File in(crt_fopen(source_name.c_str(), "r"), std::fclose);
        if (!in) return;
        std::string version_line;
        read_text_line(in.get(), version_line);
        if (!journal_before_write(temp_name)) return;
        File out(crt_fopen(temp_name.c_str(), "w"), std::fclose);
        if (!out) return;

        write_line(out.get(), version_line);
        if (compare_nocase(version_text(version_line), "2.50", 4) >= 0)
            rewrite_keyword_layout(in.get(), out.get());
        else
            rewrite_line_layout(in.get(), out.get());
        written = std::ferror(out.get()) == 0 && std::ferror(in.get()) == 0;
        written = std::fclose(out.release()) == 0 && written;
    }
    // Only a complete temporary file replaces the source; it is removed in any case.
    if (written) copy_file(temp_name, source_name, false, ROLE_REWRITTEN);
    crt_remove(temp_name.c_str());
}
